#include <gtest/gtest.h>

#include "demo/main.h"
#include "effects/snowfall.h"
#include "render/gfx.h"
#include "tests/support.h"

using snowfall::detail::starfield;

namespace {
constexpr uint32_t kLeft = 0x0000FF;  // what the scene left on the screen
constexpr uint32_t kBg = 0xFF0000;

// Test pictures for the flakes of layer 1 and the background; every other
// flake parked far right, where it neither draws nor repairs.
class Snowfall : public ::testing::Test {
 protected:
  SDL_Surface** const used[4] = {&img_bg, &img_snowflake, &img_snowflake2, &img_snowflake2_dark};
  SDL_Surface* saved[4] = {};
  void SetUp() override {
    testDisplay();
    resetShowState();
    const Uint8 shades[4][3] = {{255, 0, 0}, {255, 255, 255}, {200, 200, 200}, {50, 50, 50}};
    const int sizes[4][2] = {{640, 480}, {4, 4}, {4, 4}, {4, 4}};
    for (int i = 0; i < 4; ++i) {
      saved[i] = *used[i];
      *used[i] = makeSurface(sizes[i][0], sizes[i][1], 32);
      fill(*used[i], shades[i][0], shades[i][1], shades[i][2]);
    }
    for (auto& f : starfield) f = {2000, 0, 2};
    fill(screen, 0, 0, 255);
    currentScene = 1;
    dt = 1.0f;
  }
  void TearDown() override {
    for (int i = 0; i < 4; ++i) {
      SDL_FreeSurface(*used[i]);
      *used[i] = saved[i];
    }
    resetShowState();
  }
};
}  // namespace

TEST_F(Snowfall, LayersStepThreeTwoTwoAtDtOneAndNothingAtSmallDt) {
  for (int l = 0; l < 3; ++l) starfield[l] = {300, 200, l};
  drawStarfield();
  EXPECT_EQ(starfield[0].x, 297);
  EXPECT_EQ(starfield[1].x, 298);
  EXPECT_EQ(starfield[2].x, 298);
  dt = 0.15f;
  drawStarfield();
  EXPECT_EQ(starfield[0].x, 297);
  EXPECT_EQ(starfield[2].x, 298);
}

TEST_F(Snowfall, RepairStripUpToColumn204Only) {
  starfield[0] = {206, 100, 1};  // to 204: a (2 + 10)×10 strip under its 4×4 sprite
  starfield[1] = {207, 200, 1};  // to 205: none
  drawStarfield();
  EXPECT_EQ(rgbAt(screen, 204, 100), 0xC8C8C8u);
  EXPECT_EQ(rgbAt(screen, 208, 100), kBg);
  EXPECT_EQ(rgbAt(screen, 215, 109), kBg);
  EXPECT_EQ(rgbAt(screen, 216, 100), kLeft);
  EXPECT_EQ(rgbAt(screen, 209, 200), kLeft);
  EXPECT_EQ(rgbAt(screen, 205, 205), kLeft);
}

TEST_F(Snowfall, DarkPicturesAtRows89And381InScenesOnly) {
  const int rows[4] = {89, 90, 380, 381};
  for (int i = 0; i < 4; ++i) starfield[i] = {302 + 20 * i, rows[i], 1};
  drawStarfield();
  EXPECT_EQ(rgbAt(screen, 300, 89), 0x323232u);
  EXPECT_EQ(rgbAt(screen, 320, 90), 0xC8C8C8u);
  EXPECT_EQ(rgbAt(screen, 340, 380), 0xC8C8C8u);
  EXPECT_EQ(rgbAt(screen, 360, 381), 0x323232u);
  currentScene = 0;
  drawStarfield();
  EXPECT_EQ(rgbAt(screen, 358, 381), 0xC8C8C8u);
}

TEST_F(Snowfall, LeavesTheScreenKeyedOnMagentaAsEachFlakeDrawnWouldInBothModes) {
  // The frame lines would key the screen too; without them only the flakes do.
  SDL_Surface* lines[2] = {linje_uppe, linje_nere};
  linje_uppe = linje_nere = nullptr;
  const Uint32 magenta = SDL_MapRGB(screen->format, 255, 0, 255);
  for (int scene : {1, 0}) {
    currentScene = scene;
    SDL_SetColorKey(screen, 0, 0);
    starfield[0] = {300, 200, 1};
    drawStarfield();
    EXPECT_TRUE(screen->flags & SDL_SRCCOLORKEY) << "scene " << scene;
    EXPECT_EQ(screen->format->colorkey, magenta) << "scene " << scene;
    EXPECT_EQ(rgbAt(screen, 298, 200), 0xC8C8C8u) << "scene " << scene;
  }
  // A flake whose picture is missing draws nothing and keys nothing.
  SDL_Surface* pictures[2] = {img_snowflake2, img_snowflake3};
  img_snowflake2 = img_snowflake3 = nullptr;
  SDL_SetColorKey(screen, 0, 0);
  currentScene = 1;
  drawStarfield();
  EXPECT_FALSE(screen->flags & SDL_SRCCOLORKEY);
  img_snowflake2 = pictures[0];
  img_snowflake3 = pictures[1];
  linje_uppe = lines[0];
  linje_nere = lines[1];
}
