#include "effects/stars.h"

#include <cmath>
#include <cstdlib>

#include "demo/state.h"
#include "render/extra.h"
#include "render/gfx.h"
#include "render/random.h"

// --- star field state ---
namespace stars_detail {
Star stars[kStars];
}  // namespace stars_detail

namespace {
using namespace stars_detail;

constexpr int kDepthRange = 600;  // depths wrap within 1..600
constexpr double kTurn = 0.03;    // radians per frame, not scaled by dt

// Two random numbers, x first; star i always comes back at depth i + 1.
void place(Star& s, int i) {
  s.x = showRand() % 200 - 100;
  s.y = showRand() % 150 - 75;
  s.z = i + 1;
}
}  // namespace

void initStars() {
  for (int i = 0; i < kStars; ++i) place(stars[i], i);
}

namespace {
// Moves every star (and places anew those on an axis); plots them on `box`
// unless that is null.
void runStars(SDL_Surface* box) {
  if (box && screen) fillRect(box, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
  const double c = std::cos(kTurn), s = std::sin(kTurn);
  // White mapped once; on a 32-bit box a star is one word, as drawPixel
  // writes it.
  const bool words = box && box->format->BytesPerPixel == 4 && box->w >= 200 && box->h >= 150;
  const Uint32 white = words ? SDL_MapRGB(box->format, 255, 255, 255) : 0;
  for (int i = 0; i < kStars; ++i) {
    Star& star = stars[i];
    // Cut toward zero, so even a 1 ms frame brings a star one step nearer.
    double z = std::trunc(star.z - 3.0 * dt);
    // One wrap is enough for frames under 2 s; a longer one wraps as often
    // as it takes, so the divide below always sees a depth of 1..600.
    if (z <= 0) z = std::fmod(z, kDepthRange) + kDepthRange;
    star.z = static_cast<int32_t>(z);

    // Both coordinates are cut toward zero: the stars drift onto the axes,
    // where they are placed anew.
    const int32_t oldX = star.x;
    star.x = static_cast<int32_t>(std::trunc(star.x * c - star.y * s));
    star.y = static_cast<int32_t>(std::trunc(star.y * c + oldX * s));

    const int sx = 50 * star.x / star.z + 100;
    const int sy = 50 * star.y / star.z + 75;
    if (star.x == 0 || star.y == 0) place(star, i);
    // Column 0 and row 0 stay dark.
    if (!box || sx <= 0 || sx > 199 || sy <= 0 || sy > 149) continue;
    if (words)
      reinterpret_cast<Uint32*>(static_cast<Uint8*>(box->pixels) + sy * box->pitch)[sx] = white;
    else
      drawPixel(box, sx, sy, 255, 255, 255);
  }
}
}  // namespace

void drawStars() { runStars(demoboxBuffer); }

void advanceStars() { runStars(nullptr); }
