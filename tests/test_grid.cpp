#include <gtest/gtest.h>

#include <cmath>

#include "demo/main.h"
#include "effects/cube.h"
#include "effects/grid.h"
#include "render/gfx.h"
#include "tests/support.h"

using namespace grid_detail;

namespace {
SDL_Surface* box() {
  testDisplay();
  if (!demoboxBuffer) demoboxBuffer = makeWorkSurface(200, 150);
  return demoboxBuffer;
}

// Start values, with the spin set so that the next frame has no turn.
void freshGrid() {
  box();
  initCube();
  zdepth = -0.3f;
  speedzdepth = 1;
  cube_detail::ax = -0.51f;
}
}  // namespace

TEST(Grid, StartValuesFromInitCube) {
  freshGrid();
  for (int c = 0; c < 25; ++c) {
    const int i = 2 * c;
    EXPECT_EQ(gridz[i], 20 * c);
    EXPECT_NEAR(grid.points[i].x, 0.3 * c - 3, 1e-6);
    EXPECT_EQ(grid.points[i].y, -5.0f);
    EXPECT_EQ(grid.points[i + 1].y, 6.0f);
    EXPECT_NEAR(grid.points[i].z, 0.5 * std::sin(c), 1e-6);
    EXPECT_EQ(grid.points[i].z, grid.points[i + 1].z);
  }
  EXPECT_NEAR(grid.points[48].x, 4.2, 1e-6);
}

TEST(Grid, FirstFrameSnapsToTheNearTurn) {
  freshGrid();
  dt = 1.6f;
  drawGrid();
  EXPECT_EQ(zdepth, 3.3f);
  EXPECT_EQ(speedzdepth, 1);
  // No turn this frame: the reference point lands at 100 - 128/3.3, 75 - 25.6/3.3.
  Point2d ref = project({0, 0, 0});
  EXPECT_EQ(ref.x, 61);
  EXPECT_EQ(ref.y, 67);
}

TEST(Grid, ReferencePointAtDepthTen) {
  freshGrid();
  zdepth = 10;
  dt = 0;
  drawGrid();
  EXPECT_EQ(zdepth, 10.0f);
  Point2d ref = project({0, 0, 0});
  EXPECT_EQ(ref.x, 87);
  EXPECT_EQ(ref.y, 72);
  // Column 0 (x = -3, depth 0 at phase 0) runs down the buffer at
  // x = trunc(100 - 3.5 · 25.6) from above its top to below its bottom.
  EXPECT_EQ(grid.projected[0].x, 10);
  EXPECT_EQ(grid.projected[1].x, 10);
  EXPECT_LT(grid.projected[0].y, 0);
  EXPECT_GT(grid.projected[1].y, 149);
  for (int y = 0; y < 150; y += 10) EXPECT_EQ(rgbAt(demoboxBuffer, 10, y), 0x00FF00u) << y;
}

TEST(Grid, TravelsOneUnitASecondAndTurnsExactlyAtBothEnds) {
  freshGrid();
  dt = 1;
  drawGrid();  // at 3.3
  zdepth = 19.5f;
  dt = 40;  // 0.4 s
  drawGrid();
  EXPECT_NEAR(zdepth, 19.9f, 1e-5);
  EXPECT_EQ(speedzdepth, 1);
  drawGrid();
  EXPECT_EQ(zdepth, 20.0f);
  EXPECT_EQ(speedzdepth, -1);
  drawGrid();
  EXPECT_NEAR(zdepth, 19.6f, 1e-5);
  zdepth = 3.5f;
  drawGrid();
  EXPECT_EQ(zdepth, 3.3f);
  EXPECT_EQ(speedzdepth, 1);
}

TEST(Grid, WaveAdvancesInWholePhaseSteps) {
  struct Case {
    float dt;
    int step;
  };
  // 8 ms stands, 9 to 16 ms step 1, 17 to 24 ms step 2.
  for (Case k :
       {Case{0.0f, 0}, Case{0.8f, 0}, Case{0.9f, 1}, Case{1.6f, 1}, Case{1.7f, 2}, Case{2.4f, 2}}) {
    freshGrid();
    dt = k.dt;
    drawGrid();
    for (int c = 0; c < 24; ++c) ASSERT_EQ(gridz[2 * c], 20 * c + k.step) << "dt " << k.dt;
  }
}

TEST(Grid, ColumnsRippleButTheLastKeepsItsStartDepth) {
  freshGrid();
  const float last = grid.points[48].z;
  dt = 1.6f;
  for (int frame = 0; frame < 50; ++frame) drawGrid();
  EXPECT_EQ(gridz[48], 480);
  EXPECT_EQ(grid.points[48].z, last);
  EXPECT_NEAR(last, -0.4528f, 1e-4);
  for (int c = 0; c < 24; ++c) {
    EXPECT_NEAR(grid.points[2 * c].z, 0.3 * std::sin(0.05 * gridz[2 * c]), 1e-6);
    EXPECT_EQ(grid.points[2 * c].z, grid.points[2 * c + 1].z);
  }
}

TEST(Grid, SharesTheSpinWithTheCube) {
  freshGrid();
  cube_detail::ax = 0;
  for (int frame = 0; frame < 10; ++frame) drawGrid();
  EXPECT_NEAR(cube_detail::ax, 5.1f, 1e-5);
  drawCube();
  EXPECT_NEAR(cube_detail::ax, 5.61f, 1e-5);
}

TEST(Grid, LongRunNearAndFarWithOddFrameSteps) {
  freshGrid();
  const float steps[] = {0, 1.6f, 0.1f, 300, 1, 2.5f, 17, 0.4f};
  for (int frame = 0; frame < 3000; ++frame) {
    dt = steps[frame % 8];
    drawGrid();
    ASSERT_GE(zdepth, 3.3f);
    ASSERT_LE(zdepth, 20.0f);
  }
  dt = 0;
}
