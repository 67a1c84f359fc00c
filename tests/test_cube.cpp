#include <gtest/gtest.h>

#include "demo/main.h"
#include "effects/cube.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace {
SDL_Surface* box() {
  testDisplay();
  if (!demoboxBuffer) demoboxBuffer = makeWorkSurface(200, 150);
  return demoboxBuffer;
}

void expectCorners(const Point2d (&expected)[8]) {
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(cube_detail::cube_3d.projected[i].x, expected[i].x) << "corner " << i;
    EXPECT_EQ(cube_detail::cube_3d.projected[i].y, expected[i].y) << "corner " << i;
  }
}
}  // namespace

TEST(Cube, FirstFrameCornersAndEdges) {
  SDL_Surface* b = box();
  initCube();
  cube_detail::ax = 0;
  fill(b, 200, 30, 30);
  drawCube();
  EXPECT_FLOAT_EQ(cube_detail::ax, 0.51f);
  const Point2d first[8] = {{45, 39}, {101, 42}, {99, 99},  {42, 96},
                            {28, 29}, {100, 32}, {97, 105}, {24, 102}};
  expectCorners(first);
  // Every corner is the end of a drawn edge; the rest is black.
  for (const Point2d& p : first) EXPECT_EQ(rgbAt(b, p.x, p.y), 0x00FF00u);
  int green = 0;
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) {
      uint32_t c = rgbAt(b, x, y);
      ASSERT_TRUE(c == 0 || c == 0x00FF00u) << x << "," << y;
      green += c != 0;
    }
  EXPECT_GT(green, 400);  // twelve edges of 30 to 80 pixels
}

TEST(Cube, AtRestTheNearFaceIsLarger) {
  box();
  initCube();
  cube_detail::ax = -0.51f;  // the frame's step brings it to 0
  drawCube();
  EXPECT_EQ(cube_detail::alpha, 0.0f);
  expectCorners(
      {{43, 40}, {100, 40}, {100, 97}, {43, 97}, {26, 31}, {100, 31}, {100, 104}, {26, 104}});
}

TEST(Cube, TurnsAboutItsOwnCentre) {
  box();
  initCube();
  cube_detail::ax = 0;
  for (int frame = 0; frame < 300; ++frame) {
    drawCube();
    Point2d centre = project({0, 0, 0});
    ASSERT_EQ(centre.x, 68);
    ASSERT_EQ(centre.y, 68);
  }
}

TEST(Cube, SpinsByFramesNotByTime) {
  box();
  initCube();
  cube_detail::ax = 0;
  dt = 0;
  drawCube();
  dt = 30;
  drawCube();
  drawCube();
  EXPECT_NEAR(cube_detail::ax, 3 * 0.51f, 1e-5);
  // The show's factor, a little under pi/180.
  EXPECT_NEAR(cube_detail::alpha, 1.53f * 0.0174527f, 1e-7);
  EXPECT_LT(cube_detail::alpha, 1.53f * 0.01745329f);
}
