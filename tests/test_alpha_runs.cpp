// Pictures blended through their kept run tables against SDL_UpperBlit
// itself, and the opaque-run kernel against the blend it stands in for; the
// tables' hold on their surfaces, and their refusal of a surface whose
// pixels moved.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "render/blit.h"
#include "render/kernels.h"
#include "tests/support.h"

using kernels::blendPictureRowScalar;
using kernels::opaqueRow;
using kernels::opaqueRowScalar;

namespace {
constexpr Uint32 kCanary = 0xDEADBEEF;

SDL_Surface* alphaPicture(int w, int h) {
  return SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, w, h, 32, 0xFF, 0xFF00, 0xFF0000,
                              0xFF000000);
}

// Rows of runs of alpha 0, 255 and values between, each run from one pixel
// to well past the length a table keeps apart, so that runs of every kind
// start and end at the row's edges and at every column.
void paintRuns(SDL_Surface* s, std::mt19937& rng) {
  std::uniform_int_distribution<Uint32> word;
  for (int y = 0; y < s->h; ++y) {
    int left = 0, kind = 0;
    for (int x = 0; x < s->w; ++x, --left) {
      if (left == 0) {
        left = 1 + int(word(rng) % 20);
        kind = int(word(rng) % 3);
      }
      const Uint32 a = kind == 0 ? 0 : kind == 1 ? 255 : 1 + word(rng) % 254;
      static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x] = (word(rng) & 0xFFFFFF) | a << 24;
    }
  }
}

// Display-format words with the unused byte set in about half of them.
SDL_Surface* randomDisplay(std::mt19937& rng, int w, int h) {
  SDL_Surface* s = makeSurface(w, h, 32);
  std::uniform_int_distribution<Uint32> word;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Uint32 v = word(rng);
      static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x] = v & 1 ? v : v & 0xFFFFFF;
    }
  return s;
}

// Blits `rect` of the picture (all of it if null) to (x, y) of a random
// destination both ways and says where they part.
std::string blitAgainstSdl(SDL_Surface* picture, const SDL_Rect* rect, int x, int y,
                           std::mt19937& rng) {
  SDL_Surface* ours = randomDisplay(rng, 48, 24);
  SDL_Surface* theirs = copyOf(ours);
  SDL_Rect ourSrc = rect ? *rect : SDL_Rect{}, theirSrc = ourSrc;
  SDL_Rect ourDst = {Sint16(x), Sint16(y), 0, 0}, theirDst = ourDst;
  blitSurface(picture, rect ? &ourSrc : nullptr, ours, &ourDst);
  SDL_UpperBlit(picture, rect ? &theirSrc : nullptr, theirs, &theirDst);
  std::string d = differences(ours, theirs);
  SDL_FreeSurface(ours);
  SDL_FreeSurface(theirs);
  return d;
}
}  // namespace

TEST(OpaqueRow, MatchesTheBlendAtAlpha255ForEverySourceAndDestination) {
  // Pixel i pairs source value i >> 8 with destination value i & 255, each
  // channel through its own bijection (a swap of channels would show), the
  // destination's unused byte varied: the fast kernel, its scalar twin and
  // the picture blend at alpha 255 must write the same words.
  std::vector<Uint32> rgb(65536), picture(65536), fast(65536), slow(65536), blend(65536);
  for (unsigned i = 0; i < 65536; ++i) {
    const unsigned s = i >> 8, d = i & 0xFF;
    const unsigned r = s, g = (s * 7 + 85) & 0xFF, b = s ^ 0xA5;
    rgb[i] = r << 16 | g << 8 | b;
    picture[i] = r | g << 8 | b << 16 | 0xFF000000u;
    fast[i] = slow[i] = blend[i] =
        d << 16 | ((d * 7 + 85) & 0xFF) << 8 | (d ^ 0xA5) | (i * 13 & 0xFF) << 24;
  }
  opaqueRow(rgb.data(), fast.data(), 65536);
  opaqueRowScalar(rgb.data(), slow.data(), 65536);
  blendPictureRowScalar(picture.data(), blend.data(), 65536);
  for (unsigned i = 0; i < 65536; ++i) {
    ASSERT_EQ(slow[i], blend[i]) << "source " << (i >> 8) << " over " << (i & 0xFF);
    ASSERT_EQ(fast[i], blend[i]) << "source " << (i >> 8) << " over " << (i & 0xFF);
  }
}

TEST(OpaqueRow, KeepsToTheRowAtEveryWidthAndAlignment) {
  std::mt19937 rng(31);
  std::uniform_int_distribution<Uint32> word;
  for (int offset = 0; offset < 4; ++offset)
    for (int w = 0; w <= 17; ++w)
      for (int round = 0; round < 20; ++round) {
        std::vector<Uint32> rgb(offset + w), fast(offset + w + 4, kCanary), slow;
        for (int i = 0; i < w; ++i) {
          rgb[offset + i] = word(rng) & 0xFFFFFF;
          fast[offset + i] = word(rng);
        }
        slow = fast;
        opaqueRow(rgb.data() + offset, fast.data() + offset, w);
        opaqueRowScalar(rgb.data() + offset, slow.data() + offset, w);
        ASSERT_EQ(fast, slow) << "width " << w << " offset " << offset;
        for (int i = 0; i < 4; ++i) ASSERT_EQ(fast[offset + w + i], kCanary) << "width " << w;
        for (int i = 0; i < offset; ++i) ASSERT_EQ(fast[i], kCanary) << "width " << w;
      }
}

TEST(AlphaRuns, KeptPicturesBlendAsSdlDoesThroughAnyRectangle) {
  // Source rectangles starting and ending at every column, so runs are cut
  // on either side, reaching past the picture, and destinations clipped at
  // every edge.
  testDisplay();
  std::mt19937 rng(41);
  for (int w : {1, 7, 8, 9, 25, 40}) {
    SDL_Surface* picture = alphaPicture(w, 5);
    paintRuns(picture, rng);
    keepAlphaRuns(picture);
    for (int sx = -2; sx <= w; ++sx)
      for (int sw = 0; sw <= w + 2 - sx; sw += 1 + (w > 9)) {
        const SDL_Rect rect = {Sint16(sx), Sint16(sx % 3 - 1), Uint16(sw), Uint16(2 + sx % 4)};
        const int x = int(rng() % 60) - 10, y = int(rng() % 30) - 6;
        ASSERT_EQ(blitAgainstSdl(picture, &rect, x, y, rng), "")
            << "width " << w << " from " << sx << " over " << sw << " to " << x << ", " << y;
      }
    ASSERT_EQ(blitAgainstSdl(picture, nullptr, 3, 2, rng), "") << "width " << w;
    SDL_FreeSurface(picture);
  }
  dropAlphaRuns();
}

TEST(AlphaRuns, HoldTheirSurfacesAndPassOverOnesWhosePixelsMoved) {
  testDisplay();
  std::mt19937 rng(43);
  SDL_Surface* picture = alphaPicture(30, 4);
  paintRuns(picture, rng);
  keepAlphaRuns(picture);
  keepAlphaRuns(picture);
  EXPECT_EQ(picture->refcount, 2) << "one reference a table, however often kept";

  // New pixels under the same surface: the old table must not draw them.
  std::vector<Uint32> other(size_t(picture->pitch / 4) * picture->h);
  void* const own = picture->pixels;
  picture->pixels = other.data();
  paintRuns(picture, rng);
  EXPECT_EQ(blitAgainstSdl(picture, nullptr, 5, 3, rng), "");
  picture->pixels = own;
  EXPECT_EQ(blitAgainstSdl(picture, nullptr, 5, 3, rng), "");

  // Freed by its owner, the surface lives on with the table (a sanitized
  // build would stop at a read of freed pixels) until the tables go.
  SDL_FreeSurface(picture);
  EXPECT_EQ(picture->refcount, 1);
  EXPECT_EQ(blitAgainstSdl(picture, nullptr, 0, 0, rng), "");
  ++picture->refcount;  // the test's own, to see the table's released
  dropAlphaRuns();
  EXPECT_EQ(picture->refcount, 1);
  SDL_FreeSurface(picture);
}
