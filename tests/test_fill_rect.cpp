// fillRect against SDL_FillRect itself: the same words in every pixel of
// the surface, bytes past each row included, for rectangles inside, across
// and outside the surface and its clip rectangle, widths 0..17, colours of
// four equal bytes and others, and rows with spare bytes after them.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "render/extra.h"
#include "tests/support.h"

namespace {
// Every byte of the surface's buffer, spare bytes after a row included.
std::vector<Uint8> bytesOf(SDL_Surface* s) {
  const Uint8* p = static_cast<const Uint8*>(s->pixels);
  return std::vector<Uint8>(p, p + size_t(s->pitch) * s->h);
}

void scribble(SDL_Surface* s, std::mt19937& rng) {
  Uint8* p = static_cast<Uint8*>(s->pixels);
  for (int i = 0; i < s->pitch * s->h; ++i) p[i] = Uint8(rng());
}

// A 32-bit surface over a buffer whose rows are `spare` bytes longer than the pixels.
struct Padded {
  std::vector<Uint8> buffer;
  SDL_Surface* surface;
  Padded(int w, int h, int spare) : buffer(size_t(w * 4 + spare) * h + 1) {  // never empty
    surface = SDL_CreateRGBSurfaceFrom(buffer.data(), w, h, 32, w * 4 + spare, 0xFF0000, 0x00FF00,
                                       0x0000FF, 0);
  }
  ~Padded() { SDL_FreeSurface(surface); }
};

// Fills `ours` with fillRect and `theirs` (the same size and bytes) with
// SDL_FillRect, then compares every byte.
void compareFill(SDL_Surface* ours, SDL_Surface* theirs, const SDL_Rect* rect, Uint32 colour) {
  SDL_Rect clipped;
  if (rect) clipped = *rect;
  fillRect(ours, rect, colour);
  SDL_FillRect(theirs, rect ? &clipped : nullptr, colour);
  ASSERT_EQ(bytesOf(ours), bytesOf(theirs))
      << "colour " << colour << " rect "
      << (rect ? std::to_string(rect->x) + "," + std::to_string(rect->y) + " " +
                     std::to_string(rect->w) + "x" + std::to_string(rect->h)
               : "none");
}
}  // namespace

TEST(FillRect, MatchesSdlOnEveryWidthRectangleAndColour) {
  testDisplay();
  std::mt19937 rng(17);
  const Uint32 colours[] = {0, 0x00FFFFFF, 0x7F7F7F7F, 0xFFFFFFFF, 0x00010203, 0x80FF00FF};
  for (int w = 0; w <= 17; ++w)
    for (int spare : {0, 4, 12}) {
      const int h = 5;
      Padded ours(w, h, spare), theirs(w, h, spare);
      ASSERT_TRUE(ours.surface && theirs.surface);
      for (int round = 0; round < 30; ++round) {
        std::mt19937 copy = rng;
        scribble(ours.surface, rng);
        scribble(theirs.surface, copy);
        // A clip rectangle now and then, the same on both.
        if (round % 3 == 1) {
          SDL_Rect clip = {Sint16(rng() % (w + 1)), 1, Uint16(rng() % (w + 1)), 3};
          SDL_SetClipRect(ours.surface, &clip);
          SDL_SetClipRect(theirs.surface, &clip);
        } else {
          SDL_SetClipRect(ours.surface, nullptr);
          SDL_SetClipRect(theirs.surface, nullptr);
        }
        const Uint32 colour = round < 6 ? colours[round] : Uint32(rng());
        if (round % 2 == 0) {
          compareFill(ours.surface, theirs.surface, nullptr, colour);
        } else {
          // Corners from well outside the surface to well past it.
          const SDL_Rect rect = {Sint16(int(rng() % (w + 8)) - 4), Sint16(int(rng() % 9) - 2),
                                 Uint16(rng() % (w + 8)), Uint16(rng() % 8)};
          compareFill(ours.surface, theirs.surface, &rect, colour);
        }
      }
    }
}
