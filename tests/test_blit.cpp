// blitSurface against SDL_UpperBlit itself: the same result, the same
// destination rectangle written back and the same 32-bit words in every
// pixel of the destination, unused byte included, over random pictures and
// rectangles that reach past either surface and its clip rectangle; and
// whiteOver against SGE's alpha fill in white, for every alpha.
#include <SDL/sge.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "render/blit.h"
#include "render/extra.h"
#include "tests/support.h"

namespace {
SDL_Surface* randomSurface(std::mt19937& rng, int w, int h) {
  SDL_Surface* s = makeSurface(w, h, 32);
  // Few distinct words, so the colour key matches often; the top byte
  // varies too, as it may in pictures SDL has written.
  std::uniform_int_distribution<int> pick(0, 7);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Uint32 v = 0x10203 * Uint32(pick(rng)) | (pick(rng) == 0 ? 0x5A000000u : 0u);
      static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x] = v;
    }
  return s;
}

// As the pictures with alpha load: bytes R, G, B, A in memory, blended; or,
// with `displayOrder`, the display's channel places with alpha on top (as
// SDL_DisplayFormatAlpha makes them), for which SDL has a blitter of its own.
// Alpha 0 and 255 come often, the rest spread.
SDL_Surface* randomAlphaSurface(std::mt19937& rng, int w, int h, bool displayOrder = false) {
  SDL_Surface* s = displayOrder ? SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, w, h, 32,
                                                       0xFF0000, 0xFF00, 0xFF, 0xFF000000)
                                : SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, w, h, 32, 0xFF,
                                                       0xFF00, 0xFF0000, 0xFF000000);
  std::uniform_int_distribution<Uint32> word;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Uint32 v = word(rng);
      if (v % 5 == 0) v &= 0xFFFFFF;
      if (v % 5 == 1) v |= 0xFF000000;
      static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x] = v;
    }
  return s;
}

// 24-bit, as the JPEG and PNG pictures without alpha load: random bytes,
// red first in memory or last.
SDL_Surface* random24Surface(std::mt19937& rng, int w, int h, bool redFirst) {
  SDL_Surface* s = redFirst
                       ? SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF, 0xFF00, 0xFF0000, 0)
                       : makeSurface(w, h, 24);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < 3 * w; ++x)
      static_cast<Uint8*>(s->pixels)[y * s->pitch + x] = Uint8(byte(rng));
  return s;
}

}  // namespace

TEST(BlitSurface, DoesWhatSdlUpperBlitDoes) {
  testDisplay();
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(-12, 30), size(0, 70);
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const bool alpha = round % 4 == 1;
    const int sw = 1 + size(rng) % 40, sh = 1 + size(rng) % 40;
    const bool from24 = round % 4 == 3;
    SDL_Surface* src = alpha    ? randomAlphaSurface(rng, sw, sh, round % 8 == 5)
                       : from24 ? random24Surface(rng, sw, sh, round % 8 == 3)
                                : randomSurface(rng, sw, sh);
    SDL_Surface* dst = randomSurface(rng, 1 + size(rng) % 50, 1 + size(rng) % 50);
    if (round % 3 == 0) {
      SDL_Rect clip = {Sint16(coord(rng) / 4), Sint16(coord(rng) / 4), Uint16(size(rng)),
                       Uint16(size(rng))};
      SDL_SetClipRect(dst, &clip);
    }
    if (round % 2 == 0 && !alpha)
      SDL_SetColorKey(src, SDL_SRCCOLORKEY, 0x10203 * Uint32(round % 8));
    SDL_Surface* expected = copyOf(dst);

    SDL_Rect srcRect = {Sint16(coord(rng)), Sint16(coord(rng)), Uint16(size(rng)),
                        Uint16(size(rng))};
    SDL_Rect ours = {Sint16(coord(rng)), Sint16(coord(rng)), 0, 0}, theirs = ours;
    SDL_Rect ourSrc = srcRect, theirSrc = srcRect;
    const bool whole = round % 5 == 0;  // no source rectangle: all of it
    int got = blitSurface(src, whole ? nullptr : &ourSrc, dst, &ours);
    int want = SDL_UpperBlit(src, whole ? nullptr : &theirSrc, expected, &theirs);

    EXPECT_EQ(got, want);
    EXPECT_EQ(ours.x, theirs.x);
    EXPECT_EQ(ours.y, theirs.y);
    EXPECT_EQ(ours.w, theirs.w);
    EXPECT_EQ(ours.h, theirs.h);
    EXPECT_EQ(differences(dst, expected), "");
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
    SDL_FreeSurface(expected);
  }
}

TEST(BlitSurface, BlendsRunsOfClearOpaqueAndPartialAlphaAsSdlDoes) {
  // Pictures as drawn: runs of alpha 0, of 255 and of values between, the
  // runs of any length and the picture of any width up to past four
  // groups, laid at every column alignment over words whose unused byte
  // is set as often as not.
  testDisplay();
  std::mt19937 rng(23);
  std::uniform_int_distribution<Uint32> word;
  for (int w = 1; w <= 17; ++w)
    for (int x = 0; x < 4; ++x) {
      SCOPED_TRACE("width " + std::to_string(w) + " at " + std::to_string(x));
      SDL_Surface* src = SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, w, 6, 32, 0xFF, 0xFF00,
                                              0xFF0000, 0xFF000000);
      for (int y = 0; y < src->h; ++y) {
        int left = 0, kind = 0;
        for (int i = 0; i < w; ++i, --left) {
          if (left == 0) {
            left = 1 + int(word(rng) % 9);
            kind = int(word(rng) % 3);
          }
          const Uint32 a = kind == 0 ? 0 : kind == 1 ? 255 : 1 + word(rng) % 254;
          static_cast<Uint32*>(src->pixels)[y * src->pitch / 4 + i] =
              (word(rng) & 0xFFFFFF) | a << 24;
        }
      }
      SDL_Surface* dst = makeSurface(24, 8, 32);
      for (int i = 0; i < dst->pitch / 4 * dst->h; ++i)
        static_cast<Uint32*>(dst->pixels)[i] = word(rng) & (word(rng) % 2 ? 0xFFFFFFFF : 0xFFFFFF);
      SDL_Surface* expected = copyOf(dst);
      SDL_Rect ours = {Sint16(x), 1, 0, 0}, theirs = ours;
      blitSurface(src, nullptr, dst, &ours);
      SDL_UpperBlit(src, nullptr, expected, &theirs);
      EXPECT_EQ(differences(dst, expected), "");
      SDL_FreeSurface(src);
      SDL_FreeSurface(dst);
      SDL_FreeSurface(expected);
    }
}

TEST(BlitSurface, LeavesOtherFormatsToSdl) {
  testDisplay();
  // 16-bit sources and a 32-bit one with per-pixel alpha: whatever SDL makes
  // of them, blitSurface makes the same.
  for (int bpp : {16, 8}) {
    SDL_Surface* src = makeSurface(9, 7, bpp);
    fill(src, 200, 100, 50);
    SDL_Surface* a = makeSurface(12, 12, 32);
    SDL_Surface* b = makeSurface(12, 12, 32);
    fill(a, 1, 2, 3);
    fill(b, 1, 2, 3);
    SDL_Rect ra = {3, -2, 0, 0}, rb = ra;
    blitSurface(src, nullptr, a, &ra);
    SDL_UpperBlit(src, nullptr, b, &rb);
    EXPECT_EQ(differences(a, b), "") << bpp;
    EXPECT_EQ(ra.h, rb.h);
    SDL_FreeSurface(src);
    SDL_FreeSurface(a);
    SDL_FreeSurface(b);
  }
  SDL_Surface* alpha = SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, 5, 5, 32, 0xFF, 0xFF00,
                                            0xFF0000, 0xFF000000);
  SDL_FillRect(alpha, nullptr, 0x80FF8040);
  SDL_Surface* a = makeSurface(6, 6, 32);
  SDL_Surface* b = makeSurface(6, 6, 32);
  fill(a, 10, 20, 30);
  fill(b, 10, 20, 30);
  SDL_Rect ra = {1, 1, 0, 0}, rb = ra;
  blitSurface(alpha, nullptr, a, &ra);
  SDL_UpperBlit(alpha, nullptr, b, &rb);
  EXPECT_EQ(differences(a, b), "");
  EXPECT_NE(pixelAt(a, 2, 2), pixelAt(a, 0, 0));  // the blend did happen
  SDL_FreeSurface(alpha);
  SDL_FreeSurface(a);
  SDL_FreeSurface(b);
}

TEST(WhiteOver, DoesWhatSgeFilledRectAlphaDoesInWhite) {
  testDisplay();
  std::mt19937 rng(11);
  std::uniform_int_distribution<Uint32> word;
  SDL_Surface* ours = makeSurface(64, 48, 32);
  SDL_Surface* theirs = makeSurface(64, 48, 32);
  for (int alpha = 0; alpha < 256; ++alpha) {
    for (int i = 0; i < 64 * 48; ++i)
      static_cast<Uint32*>(ours->pixels)[i] = static_cast<Uint32*>(theirs->pixels)[i] = word(rng);
    whiteOver(ours, Uint8(alpha));
    sge_FilledRectAlpha(theirs, 0, 0, 64, 48, SDL_MapRGB(theirs->format, 255, 255, 255),
                        Uint8(alpha));
    ASSERT_EQ(differences(ours, theirs), "") << "alpha " << alpha;
  }
  SDL_FreeSurface(ours);
  SDL_FreeSurface(theirs);
}
