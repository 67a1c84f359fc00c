#include <SDL/sge.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "render/extra.h"
#include "tests/support.h"

namespace {
// line() against sge_Line itself: two twin surfaces, painted so that every
// pixel differs, take the same segment, one through each; every word must
// agree afterwards. Returns the number of segments that drew something.
struct LineTwins {
  SDL_Surface* ours;
  SDL_Surface* sges;
  LineTwins(int w, int h, const SDL_Rect* clip) {
    ours = makeSurface(w, h, 32);
    sges = makeSurface(w, h, 32);
    paintGradient(ours, 0x010203, 3, 977);
    paintGradient(sges, 0x010203, 3, 977);
    SDL_SetClipRect(ours, clip);
    SDL_SetClipRect(sges, clip);
  }
  ~LineTwins() {
    SDL_FreeSurface(ours);
    SDL_FreeSurface(sges);
  }
  void draw(int x1, int y1, int x2, int y2) {
    line(ours, x1, y1, x2, y2);
    sge_Line(sges, Sint16(x1), Sint16(y1), Sint16(x2), Sint16(y2),
             SDL_MapRGB(sges->format, 0, 255, 0));
  }
  bool same() const {
    for (int y = 0; y < ours->h; ++y)
      if (std::memcmp(static_cast<Uint8*>(ours->pixels) + y * ours->pitch,
                      static_cast<Uint8*>(sges->pixels) + y * sges->pitch, 4 * ours->w) != 0)
        return false;
    return true;
  }
};

// Ends drawn from a few ranges: inside the box, just around it, far out
// (where the clipper's float cuts are longest), and beyond the 16-bit range
// line() narrows to.
int randomEnd(std::mt19937& rng, int size) {
  switch (rng() % 5) {
    case 0: return int(rng() % size);
    case 1: return int(rng() % (size + 40)) - 20;
    case 2: return int(rng() % 8193) - 4096;
    case 3: return int(rng() % 40001) - 20000;
    default: return int(rng() % 140001) - 70000;
  }
}
}  // namespace

TEST(Line, SetsExactlyTheSgePixels) {
  testDisplay();
  const SDL_Rect inner = {13, 7, 171, 129};
  const SDL_Rect corner = {0, 0, 1, 1};
  const SDL_Rect* clips[] = {nullptr, &inner, &corner};
  for (const SDL_Rect* clip : clips) {
    LineTwins t(200, 150, clip);
    std::mt19937 rng(clip ? clip->w : 0);
    for (int n = 0; n < 20000; ++n) {
      int x1 = randomEnd(rng, 200), y1 = randomEnd(rng, 150);
      int x2 = randomEnd(rng, 200), y2 = randomEnd(rng, 150);
      // Points, horizontal and vertical runs, and the two diagonals.
      switch (rng() % 8) {
        case 0: x2 = x1, y2 = y1; break;
        case 1: y2 = y1; break;
        case 2: x2 = x1; break;
        case 3: x2 = x1 + (y2 - y1); break;
        case 4: x2 = x1 - (y2 - y1); break;
        default: break;
      }
      t.draw(x1, y1, x2, y2);
      ASSERT_TRUE(t.same()) << "(" << x1 << ", " << y1 << ") to (" << x2 << ", " << y2 << ") clip "
                            << (clip ? clip->w : 0);
      // Now and then the same segment the other way round.
      if (n % 7 == 0) {
        t.draw(x2, y2, x1, y1);
        ASSERT_TRUE(t.same()) << "(" << x2 << ", " << y2 << ") to (" << x1 << ", " << y1 << ")";
      }
      // Fresh paint keeps later segments visible against earlier ones.
      if (n % 64 == 63) {
        paintGradient(t.ours, Uint32(n), 3, 977);
        paintGradient(t.sges, Uint32(n), 3, 977);
      }
    }
  }
}

TEST(Line, TiesAndShortSegmentsMatchSge) {
  testDisplay();
  LineTwins t(200, 150, nullptr);
  // Every short segment from an inner pixel and from a pixel on each edge,
  // where the first step's tie is decided and ends are clipped to one pixel.
  const int starts[][2] = {{100, 75}, {0, 0}, {199, 149}, {0, 149}, {199, 0}, {100, 0}};
  for (const auto& s : starts)
    for (int dy = -9; dy <= 9; ++dy)
      for (int dx = -9; dx <= 9; ++dx) {
        t.draw(s[0], s[1], s[0] + dx, s[1] + dy);
        ASSERT_TRUE(t.same()) << s[0] << ", " << s[1] << " by " << dx << ", " << dy;
      }
}
