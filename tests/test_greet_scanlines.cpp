#include <SDL/sge.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "demo/main.h"
#include "effects/lyrics.h"
#include "render/gfx.h"
#include "tests/support.h"

using lyrics::detail::drawSqueezedRow;
using lyrics::detail::vertscroll;

namespace {
SDL_Surface* like(SDL_Surface* model, int w, int h) {
  const SDL_PixelFormat* f = model->format;
  return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, f->Rmask, f->Gmask, f->Bmask, 0);
}

void paint(SDL_Surface* s) {
  for (int y = 0; y < s->h; ++y)
    for (int x = 0; x < s->w; ++x)
      reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch)[x] =
          0x00102030u + static_cast<Uint32>(x * 7 + y * 131);
}

// The scanline the long way: SGE's scaled copy of the (reversed, for w < 0)
// row, keyed on black and blitted by SDL itself.
void throughSge(SDL_Surface* dst, const Uint32* row, int w, int left, int y) {
  SDL_Surface* line = like(dst, 32, 1);
  Uint32* p = static_cast<Uint32*>(line->pixels);
  for (int x = 0; x < 32; ++x) p[x] = w < 0 ? row[31 - x] : row[x];
  SDL_Surface* scaled = sge_transform_surface(line, 0, 0.0f, std::abs(w) / 32.0f, 1.0f, SGE_TSAFE);
  ASSERT_NE(scaled, nullptr);
  SDL_SetColorKey(scaled, SDL_SRCCOLORKEY, SDL_MapRGB(scaled->format, 0, 0, 0));
  SDL_Rect to = {static_cast<Sint16>(left), static_cast<Sint16>(y), 0, 0};
  SDL_UpperBlit(scaled, nullptr, dst, &to);
  SDL_FreeSurface(scaled);
  SDL_FreeSurface(line);
}
}  // namespace

// Every width the scroller squeezes to, either side, against SGE: rows with
// black, near-black, magenta and junk in the unused byte, placed across and
// beyond the edges of a small target and of a clip rectangle inside it.
TEST(GreetScanlines, SqueezedRowMatchesSgeScaledCopyAtEveryWidthAndEdge) {
  testDisplay();
  SDL_Surface* mine = like(screen, 48, 6);
  SDL_Surface* theirs = like(screen, 48, 6);
  std::srand(7);
  Uint32 row[32];
  int cases = 0;
  for (int clipped = 0; clipped < 2; ++clipped) {
    SDL_Rect clip = {5, 1, 30, 3};
    SDL_SetClipRect(mine, clipped ? &clip : nullptr);
    SDL_SetClipRect(theirs, clipped ? &clip : nullptr);
    for (int w = -32; w <= 32; ++w) {
      if (w == 0) continue;
      for (int x = 0; x < 32; ++x) {
        const Uint32 pick[6] = {0,          0x000001,
                                0xFF00FF,   0xFF000000,
                                0xFF123456, static_cast<Uint32>(std::rand()) & 0xFFFFFF};
        row[x] = pick[std::rand() % 6];
      }
      for (int left : {-40, -33, -20, -2, -1, 0, 3, 17, 40, 46, 47, 48}) {
        for (int y : {-2, -1, 0, 2, 4, 5}) {
          paint(mine);
          paint(theirs);
          drawSqueezedRow(mine, row, w, left, y);
          throughSge(theirs, row, w, left, y);
          ASSERT_TRUE(allPixels(mine) == allPixels(theirs))
              << "w " << w << " left " << left << " y " << y << " clipped " << clipped;
          ++cases;
        }
      }
    }
  }
  EXPECT_EQ(cases, 2 * 64 * 12 * 6);
  SDL_FreeSurface(mine);
  SDL_FreeSurface(theirs);
}

// The scroller's fonts and glyph buffers for a test: the show's fonts from
// the build, fresh buffers, and two one-row buffers: `direct` in the
// screen's format, `general` with its channels in another order, which
// sends the scroller the general way (buffer copies, mirror and SGE).
struct ScrollerFixture {
  sge_bmpFont* saved[2] = {font_intro, font_intro_inverted};
  SDL_Surface* savedBuffers[3] = {charBuffer, charBuffer2, charBuffer_inverted};
  SDL_Surface* direct = nullptr;
  SDL_Surface* general = nullptr;

  ScrollerFixture() {
    testDisplay();
    sge_Update_OFF();
    resetShowState();
    loadFonts("newfont.bmp", "newfont_inverted.bmp");
    charBuffer = makeWorkSurface(32, 50);
    charBuffer_inverted = makeWorkSurface(32, 50);
    SDL_SetColorKey(charBuffer, SDL_SRCCOLORKEY, 0);
    direct = makeWorkSurface(32, 1);
    const SDL_PixelFormat* f = screen->format;
    general = SDL_CreateRGBSurface(SDL_SWSURFACE, 32, 1, 32, f->Bmask, f->Gmask, f->Rmask, 0);
    dt = 0;
  }
  ~ScrollerFixture() {
    charBuffer2 = nullptr;
    SDL_FreeSurface(direct);
    SDL_FreeSurface(general);
    SDL_FreeSurface(charBuffer);
    SDL_FreeSurface(charBuffer_inverted);
    closeFonts();
    font_intro = saved[0];
    font_intro_inverted = saved[1];
    charBuffer = savedBuffers[0];
    charBuffer2 = savedBuffers[1];
    charBuffer_inverted = savedBuffers[2];
    resetShowState();
  }
  void loadFonts(const char* plain, const char* inverted) {
    font_intro = loadFont((std::string(PLUPP_BUILD_DIR "/gfx/") + plain).c_str());
    font_intro_inverted = loadFont((std::string(PLUPP_BUILD_DIR "/gfx/") + inverted).c_str());
  }
  void closeFonts() {
    if (font_intro) sge_BF_CloseFont(font_intro);
    if (font_intro_inverted) sge_BF_CloseFont(font_intro_inverted);
    font_intro = font_intro_inverted = nullptr;
  }
  // The screen after one frame of the scroller at `scroll`, drawn one way.
  std::vector<Uint32> frame(int scroll, bool directWay) {
    charBuffer2 = directWay ? direct : general;
    fill(screen, 7, 77, 177);
    vertscroll = scroll;
    drawGreetScoller();
    return allPixels(screen);
  }
};

// The whole scroller, drawn the direct way and the general way.
TEST(GreetScanlines, ScrollerDrawsTheSameDirectlyAsThroughTheGeneralWay) {
  ScrollerFixture fx;
  ASSERT_NE(font_intro, nullptr);
  ASSERT_NE(font_intro_inverted, nullptr);
  ASSERT_NE(fx.general->format->Rmask, screen->format->Rmask);
  fill(screen, 7, 77, 177);
  const std::vector<Uint32> empty = allPixels(screen);
  int differing = 0, drawnFrames = 0;
  for (int scroll = 300; scroll > -2000; scroll -= 53) {
    const std::vector<Uint32> direct = fx.frame(scroll, true);
    if (direct != fx.frame(scroll, false)) ++differing;
    if (direct != empty) ++drawnFrames;
  }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(drawnFrames, 30) << "the letters were on screen";
}

// The direct way keeps each letter's rows from frame to frame; new fonts
// (here the two sheets the other way round, likely at the freed ones'
// addresses) must be drawn with, not the rows kept from the old.
TEST(GreetScanlines, NewFontsAreDrawnWithNotTheLettersKeptFromTheOld) {
  ScrollerFixture fx;
  const int scroll = 100;
  const std::vector<Uint32> before = fx.frame(scroll, true);
  fx.closeFonts();
  fx.loadFonts("newfont_inverted.bmp", "newfont.bmp");
  ASSERT_NE(font_intro, nullptr);
  const std::vector<Uint32> after = fx.frame(scroll, true);
  EXPECT_NE(after, before);
  EXPECT_TRUE(after == fx.frame(scroll, false));
  // A key put on a glyph buffer after the letters were made changes what
  // its copy leaves out.
  SDL_SetColorKey(charBuffer, 0, 0);
  EXPECT_TRUE(fx.frame(scroll, true) == fx.frame(scroll, false));
}
