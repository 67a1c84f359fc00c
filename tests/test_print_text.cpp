#include <SDL/sge.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "demo/main.h"
#include "render/font.h"
#include "tests/support.h"

namespace {

// An SFont sheet with uneven markers (odd and even widths, so half-marker
// offsets round) and glyph cells of uneven widths, in random colours with
// black (the key) between.
sge_bmpFont* unevenFont(int bpp) {
  SDL_Surface* s =
      bpp == 24 ? SDL_CreateRGBSurface(SDL_SWSURFACE, 700, 14, 24, 0xFF0000, 0xFF00, 0xFF, 0)
                : SDL_CreateRGBSurface(SDL_SWSURFACE, 700, 14, 32, 0xFF, 0xFF00, 0xFF0000, 0);
  std::srand(bpp);
  auto put = [&](int x, int y, Uint32 p) {
    Uint8* at = static_cast<Uint8*>(s->pixels) + y * s->pitch + x * (bpp / 8);
    for (int i = 0; i < bpp / 8; ++i) at[i] = static_cast<Uint8>(p >> (8 * i));
  };
  for (int y = 1; y < s->h; ++y)
    for (int x = 0; x < s->w; ++x)
      put(x, y, std::rand() % 3 == 0 ? 0 : static_cast<Uint32>(std::rand()) & 0xFFFFFF);
  const Uint32 marker = SDL_MapRGB(s->format, 255, 0, 255);
  int x = 0;
  for (int k = 0; x < s->w - 20; ++k) {
    const int width = 1 + k % 5, gap = 2 + (k * 7) % 9;
    for (int i = 0; i < width; ++i) put(x + i, 0, marker);
    x += width + gap;
  }
  sge_bmpFont* font = sge_BF_CreateFont(s, SGE_BFTRANSP | SGE_BFSFONT);
  // SGE draws from its own copy of the sheet unless it took this one.
  if (!font || font->FontSurface != s) SDL_FreeSurface(s);
  return font;
}

struct Case {
  std::string text;
  int x, y;
};

// printText against sge_BF_textout for every letter alone, long strings with
// spaces, and positions across every edge of the target, with and without a
// clip rectangle, into the display's format and one with red and blue
// swapped.
void expectLikeSge(sge_bmpFont* font, const std::string& name) {
  ASSERT_NE(font, nullptr) << name;
  std::vector<Case> cases;
  std::string all;
  for (int c = '!'; c < '!' + font->Chars - 1; ++c) {
    cases.push_back({std::string(1, static_cast<char>(c)), 30, 10});
    all += static_cast<char>(c);
    if (c % 4 == 0) all += ' ';
  }
  const int h = font->CharHeight;
  for (int x : {-300, -61, -7, -1, 0, 3, 55, 118, 119, 120, 500})
    for (int y : {-h - 1, -h + 1, -3, 0, 20, 60 - h + 2, 59, 60})
      cases.push_back({all.substr(0, 10) + " A " + all.substr(20), x, y});
  cases.push_back({"", 10, 10});
  cases.push_back({"   ", 10, 10});

  const SDL_PixelFormat* f = screen->format;
  for (int order = 0; order < 2; ++order) {
    SDL_Surface* mine =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 120, 60, 32, order ? f->Bmask : f->Rmask, f->Gmask,
                             order ? f->Rmask : f->Bmask, 0);
    SDL_Surface* theirs = SDL_CreateRGBSurface(SDL_SWSURFACE, 120, 60, 32, mine->format->Rmask,
                                               mine->format->Gmask, mine->format->Bmask, 0);
    for (int clipped = 0; clipped < 2; ++clipped) {
      SDL_Rect clip = {7, 5, 90, 40};
      SDL_SetClipRect(mine, clipped ? &clip : nullptr);
      SDL_SetClipRect(theirs, clipped ? &clip : nullptr);
      for (const Case& c : cases) {
        paintGradient(mine, 0x00405060u, 3, 257);
        paintGradient(theirs, 0x00405060u, 3, 257);
        printText(mine, font, c.text.c_str(), static_cast<Sint16>(c.x), static_cast<Sint16>(c.y));
        std::string copy = c.text;
        sge_BF_textout(theirs, font, copy.data(), static_cast<Sint16>(c.x),
                       static_cast<Sint16>(c.y));
        ASSERT_TRUE(allPixels(mine) == allPixels(theirs))
            << name << " '" << c.text << "' at " << c.x << "," << c.y << " order " << order
            << " clipped " << clipped;
      }
    }
    SDL_FreeSurface(mine);
    SDL_FreeSurface(theirs);
  }
}
}  // namespace

TEST(PrintText, ShowFontsDrawAsSgeDraws) {
  testDisplay();
  sge_Update_OFF();
  for (const char* file : {"font_silver", "font_silver_small", "font_golden", "font_golden_small",
                           "newfont", "newfont_inverted"}) {
    std::string path = std::string(PLUPP_BUILD_DIR) + "/gfx/" + file + ".bmp";
    sge_bmpFont* font = sge_BF_OpenFont(path.data(), SGE_BFTRANSP | SGE_BFSFONT);
    expectLikeSge(font, file);
    if (font) sge_BF_CloseFont(font);
  }
}

TEST(PrintText, UnevenMarkersAndCellsDrawAsSgeDraws) {
  testDisplay();
  sge_Update_OFF();
  for (int bpp : {24, 32}) {
    sge_bmpFont* font = unevenFont(bpp);
    ASSERT_NE(font, nullptr);
    EXPECT_GT(font->Chars, 40);
    expectLikeSge(font, "uneven " + std::to_string(bpp));
    sge_BF_CloseFont(font);
  }
}

// Letters past the sheet's markers, and characters below '!', go to SGE.
TEST(PrintText, LettersWithoutMarkersAreLeftToSge) {
  testDisplay();
  sge_Update_OFF();
  sge_bmpFont* font = unevenFont(24);
  ASSERT_NE(font, nullptr);
  SDL_Surface* mine = makeSurface(120, 60, 32);
  SDL_Surface* theirs = makeSurface(120, 60, 32);
  for (std::string text :
       {std::string("A\tB"), std::string(1, static_cast<char>('!' + font->Chars)),
        std::string("\xC5X")}) {
    paintGradient(mine, 0x00405060u, 3, 257);
    paintGradient(theirs, 0x00405060u, 3, 257);
    printText(mine, font, text.c_str(), 20, 20);
    sge_BF_textout(theirs, font, text.data(), 20, 20);
    EXPECT_TRUE(allPixels(mine) == allPixels(theirs));
  }
  SDL_FreeSurface(mine);
  SDL_FreeSurface(theirs);
  sge_BF_CloseFont(font);
}
