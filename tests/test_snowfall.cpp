#include <gtest/gtest.h>

#include <cstdlib>

#include "demo/main.h"
#include "effects/snowfall.h"
#include "render/gfx.h"
#include "tests/support.h"

using snowfall::detail::Flake;
using snowfall::detail::starfield;

namespace {
constexpr uint32_t kScreen = 0x0000FF;  // what the scene left on the screen
constexpr uint32_t kBg = 0xFF0000;      // the background the strips come from

SDL_Surface* solid(int w, int h, Uint8 r, Uint8 g, Uint8 b) {
  SDL_Surface* s = makeSurface(w, h, 32);
  fill(s, r, g, b);
  return s;
}

// Swaps the snow's pictures for plain test surfaces and parks every flake off
// to the right, where it neither draws on screen nor repairs anything.
class Snowfall : public ::testing::Test {
 protected:
  SDL_Surface** const pictures[9] = {
      &img_snowflake,       &img_snowflake2,      &img_snowflake3, &img_snowflake_dark,
      &img_snowflake2_dark, &img_snowflake3_dark, &img_bg,         &linje_uppe,
      &linje_nere};
  SDL_Surface* saved[9] = {};

  void SetUp() override {
    testDisplay();
    resetShowState();
    for (int i = 0; i < 9; ++i) {
      saved[i] = *pictures[i];
      *pictures[i] = nullptr;
    }
    for (Flake& f : starfield) f = {2000, 0, 0};
    fill(screen, 0, 0, 255);
  }
  void TearDown() override {
    for (int i = 0; i < 9; ++i) {
      if (*pictures[i]) SDL_FreeSurface(*pictures[i]);
      *pictures[i] = saved[i];
    }
    resetShowState();
  }
};
}  // namespace

TEST_F(Snowfall, FieldIsDrawnFromRandInItsOrder) {
  std::srand(99);
  initStarfield();
  std::srand(99);
  for (const Flake& f : starfield) {
    EXPECT_EQ(f.x, std::rand() % 640);
    EXPECT_EQ(f.y, std::rand() % 480);
    EXPECT_EQ(f.layer, std::rand() % 3);
  }
}

TEST_F(Snowfall, LayersMoveByTheirRoundedStep) {
  for (int l = 0; l < 3; ++l) starfield[l] = {300, 200, l};
  dt = 1.0f;
  drawStarfield();
  EXPECT_EQ(starfield[0].x, 297);  // 2.5 rounds away from zero
  EXPECT_EQ(starfield[1].x, 298);
  EXPECT_EQ(starfield[2].x, 298);  // 1.5 as well
  dt = 0.15f;
  drawStarfield();
  EXPECT_EQ(starfield[0].x, 297);
  EXPECT_EQ(starfield[1].x, 298);
  EXPECT_EQ(starfield[2].x, 298);
  currentScene = 1;
  dt = 2.0f;
  drawStarfield();
  EXPECT_EQ(starfield[0].x, 292);
  EXPECT_EQ(starfield[1].x, 294);  // 4.4
  EXPECT_EQ(starfield[2].x, 295);
}

TEST_F(Snowfall, SceneRepairsStripsLeftOfTheFlag) {
  currentScene = 1;
  img_bg = solid(640, 480, 255, 0, 0);
  dt = 1.0f;
  starfield[0] = {206, 100, 1};  // to 204: repaired, 2 + 10 wide, 10 high
  starfield[1] = {207, 200, 1};  // to 205: right of the repaired area
  starfield[2] = {50, 300, 0};   // layer 0: 3 + 20 wide
  drawStarfield();
  EXPECT_EQ(rgbAt(screen, 204, 100), kBg);
  EXPECT_EQ(rgbAt(screen, 215, 109), kBg);
  EXPECT_EQ(rgbAt(screen, 216, 100), kScreen);
  EXPECT_EQ(rgbAt(screen, 204, 110), kScreen);
  EXPECT_EQ(rgbAt(screen, 203, 100), kScreen);
  for (int x = 200; x < 230; ++x) EXPECT_EQ(rgbAt(screen, x, 200), kScreen) << x;
  EXPECT_EQ(rgbAt(screen, 47, 300), kBg);
  EXPECT_EQ(rgbAt(screen, 69, 309), kBg);
  EXPECT_EQ(rgbAt(screen, 70, 300), kScreen);

  // While the fade runs the scene repaints everything itself.
  fill(screen, 0, 0, 255);
  mainTrans = 40;
  drawStarfield();
  EXPECT_EQ(rgbAt(screen, 202, 100), kScreen);
  EXPECT_EQ(rgbAt(screen, 44, 300), kScreen);
}

TEST_F(Snowfall, DarkPicturesAboveRow90AndBelowRow380InScenesOnly) {
  img_snowflake2 = solid(4, 4, 200, 200, 200);
  img_snowflake2_dark = solid(4, 4, 50, 50, 50);
  const int rows[4] = {89, 90, 380, 381};
  for (int i = 0; i < 4; ++i) starfield[i] = {300 + 20 * i, rows[i], 1};
  currentScene = 2;
  dt = 1.0f;
  drawStarfield();
  EXPECT_EQ(rgbAt(screen, 298, 89), 0x323232u);
  EXPECT_EQ(rgbAt(screen, 318, 90), 0xC8C8C8u);
  EXPECT_EQ(rgbAt(screen, 338, 380), 0xC8C8C8u);
  EXPECT_EQ(rgbAt(screen, 358, 381), 0x323232u);

  // The intro always uses the normal picture; row 381 shows above the band.
  currentScene = 0;
  drawStarfield();
  EXPECT_EQ(rgbAt(screen, 356, 381), 0xC8C8C8u);
}

TEST_F(Snowfall, FlakesLeavingOnTheLeftComeBackOffTheRightEdge) {
  currentScene = 1;
  img_bg = solid(640, 480, 255, 0, 0);
  mainTrans = 100;  // the left-edge strip is repaired all the same
  dt = 1.0f;
  starfield[0] = {2, 50, 1};  // to 0: stays
  starfield[1] = {1, 70, 1};  // to -1: respawns
  std::srand(5);
  int expected = std::rand() % 100 + 640;
  std::srand(5);
  drawStarfield();
  EXPECT_EQ(starfield[0].x, 0);
  EXPECT_EQ(starfield[1].x, expected);
  EXPECT_EQ(starfield[1].y, 70);
  EXPECT_EQ(starfield[1].layer, 1);
  EXPECT_EQ(rgbAt(screen, 0, 70), kBg);
  EXPECT_EQ(rgbAt(screen, 19, 79), kBg);
  EXPECT_EQ(rgbAt(screen, 20, 70), kScreen);
  EXPECT_EQ(rgbAt(screen, 0, 50), kScreen);

  initStarfield();
  for (int frame = 0; frame < 2000; ++frame) {
    drawStarfield();
    for (const Flake& f : starfield) ASSERT_LT(f.x, 740);
    for (const Flake& f : starfield) ASSERT_GE(f.x, 0);
  }
}

TEST_F(Snowfall, IntroShowsSnowOnlyBetweenTheBands) {
  img_snowflake = solid(4, 4, 255, 255, 255);
  linje_uppe = solid(640, 4, 200, 150, 0);
  linje_nere = solid(640, 4, 200, 150, 0);
  starfield[0] = {300, 93, 0};   // rows 93..96 straddle the top band
  starfield[1] = {400, 383, 0};  // rows 383..386 straddle the bottom one
  dt = 0.0f;
  drawStarfield();
  EXPECT_EQ(rgbAt(screen, 300, 95), 0u);
  EXPECT_EQ(rgbAt(screen, 300, 96), 0xFFFFFFu);
  EXPECT_EQ(rgbAt(screen, 400, 384), 0xFFFFFFu);
  EXPECT_EQ(rgbAt(screen, 400, 385), 0u);
  EXPECT_EQ(rgbAt(screen, 10, 200), 0u);  // the rest is cleared to black
  EXPECT_EQ(rgbAt(screen, 639, 479), 0u);
  // The frame lines lie over the band edges.
  EXPECT_EQ(rgbAt(screen, 0, 90), 0xC89600u);
  EXPECT_EQ(rgbAt(screen, 639, 93), 0xC89600u);
  EXPECT_EQ(rgbAt(screen, 5, 365), 0xC89600u);
  EXPECT_EQ(rgbAt(screen, 5, 369), 0u);
}

TEST_F(Snowfall, MissingPicturesDrawNothing) {
  currentScene = 1;
  for (Flake& f : starfield) f = {100, 100, 2};
  dt = 1.0f;
  drawStarfield();
  EXPECT_EQ(rgbAt(screen, 100, 100), kScreen);
  currentScene = 0;
  drawStarfield();
  EXPECT_EQ(rgbAt(screen, 100, 100), 0u);
}
