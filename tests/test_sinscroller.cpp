#include <SDL/sge.h>
#include <gtest/gtest.h>

#include <cstring>

#include "demo/main.h"
#include "effects/sinscroller.h"
#include "effects/texts.h"
#include "render/gfx.h"
#include "tests/support.h"

using sinescroller::detail::kPhases;
using sinescroller::detail::sinscroller;

namespace {
// A font whose every glyph is a solid 8×8 block of one colour: each letter
// marks its drawing point.
sge_bmpFont* blockFont(Uint8 r, Uint8 g, Uint8 b) {
  SDL_Surface* glyphs = makeSurface(256 * 8, 8, 32);
  fill(glyphs, r, g, b);
  sge_bmpFont* font = sge_BF_CreateFont(glyphs, 0);
  SDL_FreeSurface(glyphs);
  return font;
}

class SinScroller : public ::testing::Test {
 protected:
  sge_bmpFont* savedFont = nullptr;
  sge_bmpFont* savedInverted = nullptr;

  void SetUp() override {
    testDisplay();
    resetShowState();
    savedFont = font_intro;
    savedInverted = font_intro_inverted;
    font_intro = blockFont(255, 0, 0);
    font_intro_inverted = blockFont(0, 255, 0);
    initsinScroller();
    fill(screen, 0, 0, 0);
  }
  void TearDown() override {
    sge_BF_CloseFont(font_intro);
    sge_BF_CloseFont(font_intro_inverted);
    font_intro = savedFont;
    font_intro_inverted = savedInverted;
    resetShowState();
  }
};
}  // namespace

TEST_F(SinScroller, PhasesStartAQuarterRadianApartUpTo400) {
  EXPECT_EQ(sinscroller[0], 0);
  EXPECT_EQ(sinscroller[1], 25);
  EXPECT_EQ(sinscroller[399], 9975);
  for (int i = 400; i < kPhases; ++i) EXPECT_EQ(sinscroller[i], 0) << i;
}

TEST_F(SinScroller, StepsThreeAtDtOneAndNothingAtDtTenth) {
  dt = 1.0f;
  sinScroller();
  EXPECT_EQ(intro_x, 637.0);  // 2.5 rounds away from zero
  EXPECT_EQ(sinscroller[0], 3);
  EXPECT_EQ(sinscroller[10], 253);
  EXPECT_EQ(sinscroller[450], 3);
  dt = 0.1f;
  for (int i = 0; i < 20; ++i) sinScroller();
  EXPECT_EQ(intro_x, 637.0);
  EXPECT_EQ(sinscroller[0], 3);
  // At 60 frames a second the fraction of 3·dt is lost every frame.
  dt = 1.7f;
  sinScroller();
  EXPECT_EQ(intro_x, 633.0);
  EXPECT_EQ(sinscroller[0], 8);
}

TEST_F(SinScroller, LettersRideTheWaveFortyPixelsApart) {
  intro_x = 0.0;
  dt = 0.0f;
  sinScroller();
  // Letter i at x 40·i, y trunc(sin(0.25·i)·70 + 210).
  EXPECT_EQ(rgbAt(screen, 0, 210), 0xFF0000u);
  EXPECT_EQ(rgbAt(screen, 0, 209), 0u);
  EXPECT_EQ(rgbAt(screen, 240, 279), 0xFF0000u);  // sin(1.5)·70 = 69.8: cut, not rounded
  EXPECT_EQ(rgbAt(screen, 240, 278), 0u);
  EXPECT_EQ(rgbAt(screen, 520, 202), 0xFF0000u);  // sin(3.25)·70 = -7.6
  EXPECT_EQ(rgbAt(screen, 520, 201), 0u);
  EXPECT_EQ(rgbAt(screen, 20, 220), 0u);  // nothing between the letters
}

TEST_F(SinScroller, FirstFrameStartsAtTheRightEdge) {
  dt = 2.0f;
  sinScroller();
  EXPECT_EQ(intro_x, 635.0);
  EXPECT_EQ(rgbAt(screen, 635, 214), 0xFF0000u);  // phase 6: sin(0.06)·70 = 4.2
  EXPECT_EQ(rgbAt(screen, 635, 213), 0u);
  EXPECT_EQ(rgbAt(screen, 634, 214), 0u);
}

TEST_F(SinScroller, GreetingsSceneInvertsLettersOverTheBox) {
  currentScene = 2;
  box_x_new = 10;
  dt = 0.0f;
  // Letters at x 100, 140, ...: letter 0 sits exactly on the box's left
  // bound (10 + 90), letter 5 just inside its right one (10 + 305).
  intro_x = 100.0;
  for (int& p : sinscroller) p = 0;  // every letter on row 210
  sinScroller();
  EXPECT_EQ(rgbAt(screen, 100, 210), 0xFF0000u);
  EXPECT_EQ(rgbAt(screen, 140, 210), 0x00FF00u);
  EXPECT_EQ(rgbAt(screen, 300, 210), 0x00FF00u);
  EXPECT_EQ(rgbAt(screen, 340, 210), 0xFF0000u);

  fill(screen, 0, 0, 0);
  intro_x = 115.0;
  sinScroller();
  EXPECT_EQ(rgbAt(screen, 115, 210), 0x00FF00u);
  EXPECT_EQ(rgbAt(screen, 275, 210), 0x00FF00u);
  EXPECT_EQ(rgbAt(screen, 315, 210), 0xFF0000u);  // exactly 10 + 305

  // Outside scene 2 the box changes nothing.
  currentScene = 0;
  fill(screen, 0, 0, 0);
  sinScroller();
  EXPECT_EQ(rgbAt(screen, 155, 210), 0xFF0000u);
}

TEST_F(SinScroller, GreetingsSceneScrollsTheClosingText) {
  // The closing text is longer: a letter far to the right exists only there.
  ASSERT_GT(std::strlen(text_scroller_outro), 200u);
  ASSERT_LT(std::strlen(text_scroller), 200u);
  for (int& p : sinscroller) p = 0;
  dt = 0.0f;
  intro_x = -199 * 40 + 400.0;  // letter 199 at x 400, right of the box
  sinScroller();
  EXPECT_EQ(rgbAt(screen, 400, 210), 0u);
  currentScene = 2;
  sinScroller();
  EXPECT_EQ(rgbAt(screen, 400, 210), 0xFF0000u);
}

TEST_F(SinScroller, LettersFarOffScreenDoNotWrapBackOnto16BitCoordinates) {
  for (int& p : sinscroller) p = 0;
  dt = 0.0f;
  intro_x = -65536.0 + 100.0;  // letter 0 would wrap to x 100
  sinScroller();
  for (int x = 0; x < 640; x += 4) ASSERT_EQ(rgbAt(screen, x, 212), 0u) << x;
}

TEST_F(SinScroller, MissingFontsDrawNothing) {
  sge_BF_CloseFont(font_intro);
  font_intro = nullptr;
  intro_x = 0.0;
  dt = 1.0f;
  sinScroller();
  EXPECT_EQ(intro_x, -3.0);
  for (int x = 0; x < 640; x += 4) ASSERT_EQ(rgbAt(screen, x, 212), 0u) << x;
}
