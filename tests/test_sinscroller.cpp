#include <SDL/sge.h>
#include <gtest/gtest.h>

#include "demo/main.h"
#include "effects/sinscroller.h"
#include "render/gfx.h"
#include "tests/support.h"

using sinescroller::detail::sinscroller;

namespace {
// Every glyph a solid 8×8 block: each letter marks its drawing point.
sge_bmpFont* blockFont(Uint8 r, Uint8 g, Uint8 b) {
  SDL_Surface* glyphs = makeSurface(256 * 8, 8, 32);
  fill(glyphs, r, g, b);
  sge_bmpFont* font = sge_BF_CreateFont(glyphs, 0);
  SDL_FreeSurface(glyphs);
  return font;
}

class SinScroller : public ::testing::Test {
 protected:
  sge_bmpFont* saved[2] = {};
  void SetUp() override {
    testDisplay();
    resetShowState();
    saved[0] = font_intro;
    saved[1] = font_intro_inverted;
    font_intro = blockFont(255, 0, 0);
    font_intro_inverted = blockFont(0, 255, 0);
    initsinScroller();
    fill(screen, 0, 0, 0);
  }
  void TearDown() override {
    sge_BF_CloseFont(font_intro);
    sge_BF_CloseFont(font_intro_inverted);
    font_intro = saved[0];
    font_intro_inverted = saved[1];
    resetShowState();
  }
};
}  // namespace

TEST_F(SinScroller, StepsThreeAtDtOneAndNothingAtDtTenth) {
  dt = 1.0f;
  sinScroller();
  EXPECT_EQ(intro_x, 637.0);
  EXPECT_EQ(sinscroller[10], 253);
  EXPECT_EQ(sinscroller[450], 3);  // past 400 the phases started at 0
  dt = 0.1f;
  for (int i = 0; i < 20; ++i) sinScroller();
  EXPECT_EQ(intro_x, 637.0);
  EXPECT_EQ(sinscroller[10], 253);
  dt = 1.7f;  // 5.1: the fraction is lost every frame
  sinScroller();
  EXPECT_EQ(sinscroller[10], 258);
}

TEST_F(SinScroller, GreetingsSceneInvertsLettersStrictlyInsideTheBox) {
  currentScene = 2;
  box_x_new = 10;  // inverted for 100 < x < 315
  for (int& p : sinscroller) p = 0;
  dt = 0.0f;
  intro_x = 100.0;
  sinScroller();
  EXPECT_EQ(rgbAt(screen, 100, 210), 0xFF0000u);
  EXPECT_EQ(rgbAt(screen, 140, 210), 0x00FF00u);
  EXPECT_EQ(rgbAt(screen, 300, 210), 0x00FF00u);
  intro_x = 115.0;
  sinScroller();
  EXPECT_EQ(rgbAt(screen, 315, 210), 0xFF0000u);
}

TEST_F(SinScroller, FarOffLettersDoNotWrapBackOnScreen) {
  for (int& p : sinscroller) p = 0;
  dt = 0.0f;
  intro_x = -65536.0 + 100.0;  // cut to 16 bits, letter 0 would land at x 100
  sinScroller();
  for (int x = 0; x < 640; x += 4) ASSERT_EQ(rgbAt(screen, x, 212), 0u) << x;
}
