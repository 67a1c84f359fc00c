#include <SDL/sge.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "demo/main.h"
#include "effects/sinscroller.h"
#include "effects/texts.h"
#include "render/font.h"
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

namespace {
// An SFont sheet with markers 1 to 9 px wide and cells up to 60 px, so
// letters reach far either side of their pen; 70 markers cover the texts.
sge_bmpFont* wideFont() {
  SDL_Surface* s = makeSurface(2600, 20, 32);
  paintGradient(s, 0x00203040u, 3, 0x010101);  // every glyph column drawn
  const Uint32 marker = SDL_MapRGB(s->format, 255, 0, 255);
  for (int i = 0; i < s->w; ++i) static_cast<Uint32*>(s->pixels)[i] = 0x00406080u;
  int x = 0;
  for (int k = 0; k < 70; ++k) {
    const int width = 1 + k % 9, gap = 4 + (k * 17) % 53;
    for (int i = 0; i < width; ++i) static_cast<Uint32*>(s->pixels)[x + i] = marker;
    x += width + gap;
  }
  sge_bmpFont* font = sge_BF_CreateFont(s, SGE_BFTRANSP | SGE_BFSFONT);
  if (!font || font->FontSurface != s) SDL_FreeSurface(s);
  return font;
}

// The scroller as it drew before it left out letters: every letter through
// printText at its place on the wave (dt 0, so nothing moves).
void everyLetter() {
  const char* text = currentScene.load() == 2 ? text_scroller_outro : text_scroller;
  for (int i = 0; i < int(std::strlen(text)) && i < sinescroller::detail::kPhases; ++i) {
    const double x = i * 40 + intro_x;
    if (x < INT16_MIN || x > INT16_MAX) continue;
    const Sint16 sx = Sint16(x);
    const Sint16 sy = Sint16(std::trunc(std::sin(sinscroller[i] * 0.01) * 70.0 + 210.0));
    const bool over = currentScene.load() == 2 && box_x_new + 90 < sx && sx < box_x_new + 305;
    sge_bmpFont* font = over ? font_intro_inverted : font_intro;
    const char letter[2] = {text[i], '\0'};
    if (font) printText(screen, font, letter, sx, sy);
  }
}
}  // namespace

// Letters left out because they fall off the screen must be exactly those
// that would draw nothing: the show's fonts and a font of wide markers and
// cells, each font in turn the inverted one, both scenes (the box inverting
// letters across either edge), with and without a clip rectangle, the text
// sliding across both edges of a narrow screen.
TEST_F(SinScroller, LeavesOutOnlyLettersThatWouldDrawNothing) {
  sge_Update_OFF();
  std::vector<std::pair<std::string, sge_bmpFont*>> fonts;
  for (const char* file : {"newfont", "newfont_inverted"}) {
    std::string path = std::string(PLUPP_BUILD_DIR) + "/gfx/" + file + ".bmp";
    fonts.push_back({file, sge_BF_OpenFont(path.data(), SGE_BFTRANSP | SGE_BFSFONT)});
    ASSERT_NE(fonts.back().second, nullptr) << path;
  }
  fonts.push_back({"wide", wideFont()});
  ASSERT_NE(fonts.back().second, nullptr);
  ASSERT_GT(fonts.back().second->Chars, 60);
  sge_bmpFont* const test[2] = {font_intro, font_intro_inverted};
  SDL_Surface* ours = makeSurface(200, 360, 32);
  SDL_Surface* theirs = makeSurface(200, 360, 32);
  for (int i = 0; i < sinescroller::detail::kPhases; ++i) sinscroller[i] = i * 37 % 628;
  dt = 0.0f;
  for (size_t f = 0; f < fonts.size(); ++f)
    for (int scene : {0, 2, 3})
      for (int clipped = 0; clipped < 2; ++clipped) {
        // Inverted for 30 < x < 245 (across the right edge) or, in "scene
        // 3", for -60 < x < 155 (across the left).
        box_x_new = scene == 3 ? -150 : -60;
        currentScene = scene == 3 ? 2 : scene;
        font_intro = fonts[f].second;
        font_intro_inverted = fonts[(f + 1) % fonts.size()].second;
        const SDL_Rect clip = {23, 150, 111, 150};
        SDL_SetClipRect(ours, clipped ? &clip : nullptr);
        SDL_SetClipRect(theirs, clipped ? &clip : nullptr);
        for (double x = -500; x < 300; x += 5) {
          paintGradient(ours, 0x00102030u, 5, 263);
          paintGradient(theirs, 0x00102030u, 5, 263);
          intro_x = x;
          screen = ours;
          sinScroller();
          screen = theirs;
          everyLetter();
          ASSERT_EQ(std::memcmp(ours->pixels, theirs->pixels, size_t(ours->pitch) * ours->h), 0)
              << fonts[f].first << " scene " << scene << " clipped " << clipped << " x " << x;
        }
      }
  testDisplay();
  font_intro = test[0];
  font_intro_inverted = test[1];
  for (auto& [name, font] : fonts) sge_BF_CloseFont(font);
  SDL_FreeSurface(ours);
  SDL_FreeSurface(theirs);
}
