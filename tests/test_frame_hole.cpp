// The box frame is blended as four strips around its transparent window:
// the window must really draw nothing, and the strips together must draw
// what one blit of the whole frame draws, wherever the frame is cut by the
// screen's edges.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "render/extra.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace {
// A picture with per-pixel alpha in the byte order pictures are loaded in.
SDL_Surface* alphaPicture(int w, int h) {
  SDL_Surface* s =
      SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
  SDL_SetAlpha(s, SDL_SRCALPHA, SDL_ALPHA_OPAQUE);
  return s;
}

void setWord(SDL_Surface* s, int x, int y, Uint32 v) {
  std::memcpy(static_cast<Uint8*>(s->pixels) + y * s->pitch + x * 4, &v, 4);
}

void randomise(SDL_Surface* s, std::mt19937& rng) {
  for (int y = 0; y < s->h; ++y)
    for (int x = 0; x < s->w; ++x) setWord(s, x, y, rng() & 0x00FFFFFF);
}

bool sameWords(SDL_Surface* a, SDL_Surface* b) {
  for (int y = 0; y < a->h; ++y)
    if (std::memcmp(static_cast<Uint8*>(a->pixels) + y * a->pitch,
                    static_cast<Uint8*>(b->pixels) + y * b->pitch, a->w * 4) != 0)
      return false;
  return true;
}

// drawImgAround against drawImg at corners inside, across and beyond every edge.
void expectSameAsOneBlit(SDL_Surface* picture, const SDL_Rect& hole) {
  std::mt19937 rng(7);
  SDL_Surface* one = makeSurface(320, 240, 32);
  SDL_Surface* strips = makeSurface(320, 240, 32);
  for (int x : {-300, -40, 0, 35, 200, 319, 400})
    for (int y : {-200, -20, 0, 41, 150, 239}) {
      randomise(one, rng);
      SDL_BlitSurface(one, nullptr, strips, nullptr);
      drawImg(one, picture, x, y);
      drawImgAround(strips, picture, x, y, hole);
      EXPECT_TRUE(sameWords(one, strips)) << "frame at " << x << ", " << y;
    }
  SDL_FreeSurface(one);
  SDL_FreeSurface(strips);
}
}  // namespace

TEST(FrameHole, TheShowsFrameHasAClearWindowThatDrawsNothing) {
  testDisplay();
  SDL_Surface* frame = loadPicture(PLUPP_BUILD_DIR "/gfx/nyruta.png", 250, 190);
  ASSERT_NE(frame, nullptr);
  const SDL_Rect hole = transparentCentre(frame);
  // The box's picture (200×150) shows through the window, nearly all of it.
  EXPECT_GE(hole.w, 180);
  EXPECT_GE(hole.h, 130);
  for (int y = hole.y; y < hole.y + hole.h; ++y)
    for (int x = hole.x; x < hole.x + hole.w; ++x)
      ASSERT_EQ(pixelAt(frame, x, y) & frame->format->Amask, 0u) << x << ", " << y;
  expectSameAsOneBlit(frame, hole);
  SDL_FreeSurface(frame);
}

TEST(FrameHole, GrowsOnlyOverClearPixelsAndNotAtAll) {
  testDisplay();
  std::mt19937 rng(3);
  SDL_Surface* p = alphaPicture(21, 15);
  // Opaque random colours, a clear block 5..14 × 4..9 with one opaque pixel
  // at its right end on the centre row's neighbour row.
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 21; ++x) setWord(p, x, y, (rng() & 0x00FFFFFF) | 0x80000000);
  for (int y = 4; y <= 9; ++y)
    for (int x = 5; x <= 14; ++x) setWord(p, x, y, rng() & 0x00FFFFFF);
  setWord(p, 14, 6, 0xFF000000);
  SDL_Rect hole = transparentCentre(p);
  // Row 7 is clear from 5 to 14; row 6 is not at 14, so the hole stops
  // below it.
  EXPECT_EQ(hole.x, 5);
  EXPECT_EQ(hole.w, 10);
  EXPECT_EQ(hole.y, 7);
  EXPECT_EQ(hole.h, 3);
  expectSameAsOneBlit(p, hole);

  // Wholly clear: the hole is the whole picture, and nothing is drawn.
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 21; ++x) setWord(p, x, y, 0x00FFFFFF);
  hole = transparentCentre(p);
  EXPECT_EQ(hole.w, 21);
  EXPECT_EQ(hole.h, 15);
  expectSameAsOneBlit(p, hole);

  // An opaque centre, or a picture not blended by its alpha: no hole.
  setWord(p, 10, 7, 0x01000000);
  EXPECT_EQ(transparentCentre(p).w, 0);
  setWord(p, 10, 7, 0);
  SDL_SetAlpha(p, 0, SDL_ALPHA_OPAQUE);
  EXPECT_EQ(transparentCentre(p).w, 0);
  SDL_FreeSurface(p);
  SDL_Surface* rgb = makeSurface(9, 9, 32);
  std::memset(rgb->pixels, 0, rgb->pitch * rgb->h);
  EXPECT_EQ(transparentCentre(rgb).w, 0);
  EXPECT_EQ(transparentCentre(nullptr).w, 0);
  SDL_FreeSurface(rgb);
}
