#include <gtest/gtest.h>

#include <cstdlib>

#include "demo/main.h"
#include "effects/stars.h"
#include "render/gfx.h"
#include "render/random.h"
#include "tests/support.h"

using stars_detail::kStars;
using stars_detail::Star;
using stars_detail::stars;

namespace {
SDL_Surface* box() {
  testDisplay();
  if (!demoboxBuffer) demoboxBuffer = makeWorkSurface(200, 150);
  return demoboxBuffer;
}

// Every star where one frame neither respawns it nor plots it on the
// buffer's edges, so a test can watch a single star and the rand() calls.
void quietField() {
  for (Star& s : stars) s = {100, 100, 300};
}

void expectStar(const Star& s, int x, int y, int z) {
  EXPECT_EQ(s.x, x);
  EXPECT_EQ(s.y, y);
  EXPECT_EQ(s.z, z);
}
}  // namespace

TEST(Stars, ApproachTurnAndProject) {
  SDL_Surface* b = box();
  quietField();
  stars[5] = {100, 0, 100};
  dt = 1.0f;
  drawStars();
  expectStar(stars[5], 99, 2, 97);
  EXPECT_EQ(rgbAt(b, 151, 76), 0xFFFFFFu);
}

TEST(Stars, StarOnAnAxisIsDrawnThenPlacedAnew) {
  SDL_Surface* b = box();
  quietField();
  stars[7] = {1, 1, 300};
  dt = 1.0f;
  showRandSeed(5);
  const int x = showRand() % 200 - 100;
  const int y = showRand() % 150 - 75;
  showRandSeed(5);
  drawStars();
  EXPECT_EQ(rgbAt(b, 100, 75), 0xFFFFFFu);  // turned to (0, 1) at depth 297
  expectStar(stars[7], x, y, 8);
}

TEST(Stars, DepthWrapsOnceAndShortFramesStillStep) {
  box();
  quietField();
  stars[0] = {100, 100, 1};
  dt = 1.0f;
  drawStars();
  EXPECT_EQ(stars[0].z, 598);  // 1 - 3 = -2, plus 600

  quietField();
  dt = 0.1f;  // a 1 ms frame: 300 - 0.3 is cut to 299
  drawStars();
  EXPECT_EQ(stars[3].z, 299);
  dt = 0;
  drawStars();
  EXPECT_EQ(stars[3].z, 299);
}

TEST(Stars, FramesOfSeveralSecondsKeepEveryDepthPositive) {
  box();
  initStars();
  for (float step : {250.0f, 300.0f, 1000.0f, 5000.0f, 123456.0f}) {
    dt = step;
    drawStars();
    for (int i = 0; i < kStars; ++i) {
      ASSERT_GE(stars[i].z, 1) << "dt " << step << " star " << i;
      ASSERT_LE(stars[i].z, 600) << "dt " << step << " star " << i;
    }
  }
  // 3 · 300 = 900 past depth 100 is -800: two wraps land on 400.
  quietField();
  stars[2] = {100, 100, 100};
  dt = 300;
  drawStars();
  EXPECT_EQ(stars[2].z, 400);
}

TEST(Stars, LastColumnAndRowAreLitTheFirstOnesNever) {
  SDL_Surface* b = box();
  quietField();
  stars[9] = {100, 1, 50};  // turns to (99, 3): x pixel 199
  dt = 0;
  drawStars();
  EXPECT_EQ(rgbAt(b, 199, 78), 0xFFFFFFu);

  initStars();
  dt = 1.6f;
  for (int frame = 0; frame < 500; ++frame) {
    drawStars();
    for (int x = 0; x < 200; ++x) ASSERT_EQ(rgbAt(b, x, 0), 0u) << "frame " << frame;
    for (int y = 0; y < 150; ++y) ASSERT_EQ(rgbAt(b, 0, y), 0u) << "frame " << frame;
  }
}

TEST(Stars, OnlyWhiteOnBlackAndFieldStaysLit) {
  SDL_Surface* b = box();
  initStars();
  fill(b, 40, 80, 120);
  dt = 1.6f;
  drawStars();
  int lit = 0;
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) {
      uint32_t c = rgbAt(b, x, y);
      ASSERT_TRUE(c == 0 || c == 0xFFFFFFu) << x << "," << y;
      lit += c != 0;
    }
  EXPECT_GT(lit, 100);
}

TEST(Stars, LongRunWithOddFrameSteps) {
  box();
  initStars();
  const float steps[] = {0, 1.6f, 0.1f, 300, 1, 2.5f, 17, 0.4f, 650};
  for (int frame = 0; frame < 3000; ++frame) {
    dt = steps[frame % 9];
    drawStars();
  }
  for (const Star& s : stars) {
    ASSERT_GE(s.z, 1);
    ASSERT_LE(s.z, 600);
    ASSERT_LE(std::abs(s.x), 125);  // turning keeps the radius
    ASSERT_LE(std::abs(s.y), 125);
  }
  dt = 0;
}
