#include "effects/flag.h"

#include <SDL/SDL_image.h>

#include <cmath>

#include "demo/main.h"
#include "effects/tvfilters.h"
#include "render/extra.h"
#include "render/gfx.h"

SDL_Surface* homemadeBuffer;

namespace flag::detail {
int16_t sinTable[512];
uint16_t sin_index;
}  // namespace flag::detail

using flag::detail::sin_index;
using flag::detail::sinTable;

namespace {
// --- flag state ---
SDL_Surface* homemadeImage;  // source copy, keyed on magenta so magenta is not copied

// --- band geometry ---
// The band falls 2 rows a column up to column 200, then 1 row, and clamps at
// the top; it is 120 rows high up to column 250 and 200 rows after.
constexpr int kFirstRow = 480;    // first blit of a frame: below a 480-row picture
constexpr int kSteepUntil = 200;  // last column of the 2-row fall
constexpr int kThinUntil = 250;   // last column of the 120-row band
constexpr Uint16 kThinRows = 120, kThickRows = 200;
constexpr int kPhaseStep = 8;  // table steps a column and a frame: 64 columns a wave

void freeSurface(SDL_Surface*& s) {
  if (s) SDL_FreeSurface(s);
  s = nullptr;
}

// The surface in the display's format; the original is released.
SDL_Surface* displayFormat(SDL_Surface* s) {
  if (!s) return nullptr;
  SDL_Surface* converted = SDL_DisplayFormat(s);
  SDL_FreeSurface(s);
  return converted;
}
}  // namespace

void initHomeMade() {
  for (int i = 0; i < 512; ++i) {
    // Degrees to radians, times 360/512 degrees an entry.
    float a = static_cast<float>(i * 0.0174532 * 0.703125);
    sinTable[i] = static_cast<int16_t>(16 * std::sin(static_cast<double>(a)));
  }
  if (!screen) return;
  const SDL_PixelFormat* f = screen->format;

  // Started again (tests): the earlier surfaces go.
  freeSurface(tmpBuffer);
  freeSurface(homemadeImage);
  freeSurface(homemadeBuffer);

  tmpBuffer = SDL_CreateRGBSurface(SDL_HWSURFACE, 200, 150, f->BitsPerPixel, f->Rmask, f->Gmask,
                                   f->Bmask, f->Amask);
  if (tmpBuffer) SDL_FillRect(tmpBuffer, nullptr, SDL_MapRGB(tmpBuffer->format, 0, 0, 0));

  if (SDL_Surface* loaded = loadPicture("gfx/bg_flag.png", 436, 480)) {
    SDL_Surface* converted = SDL_ConvertSurface(loaded, screen->format, SDL_HWSURFACE);
    SDL_FreeSurface(loaded);
    if (converted) {
      SDL_SetColorKey(converted, SDL_SRCCOLORKEY, SDL_MapRGB(converted->format, 255, 0, 255));
      homemadeImage = displayFormat(converted);  // the key carries over
    }
  }
  homemadeBuffer = displayFormat(loadPicture("gfx/bg_flag.png", 436, 480));
}

void drawHomeMade() {
  if (homemadeImage && homemadeBuffer) {
    unsigned k = sin_index;
    int yStep = 2;
    // Both rectangles carry over from column to column: the blit writes the
    // clipped destination back, and a negative source row pushes dst.y down
    // for the rest of the frame. Column c is drawn by the blit after it.
    // blitSurface keeps that write-back and draws the keyed column itself,
    // not through SDL's per-pixel converter.
    SDL_Rect src = {0, sinTable[k % 512], 1, kThinRows};
    SDL_Rect dst = {0, kFirstRow, 0, 0};
    for (int i = 0; i < homemadeImage->w; ++i) {
      blitSurface(homemadeImage, &src, homemadeBuffer, &dst);
      src.x = dst.x = static_cast<Sint16>(i);
      if (i > kSteepUntil) yStep = 1;
      if (i > kThinUntil) src.h = kThickRows;
      dst.y = static_cast<Sint16>(dst.y - yStep < 0 ? 0 : dst.y - yStep);
      k = (k + kPhaseStep) % 512;
      src.y = static_cast<Sint16>(dst.y + sinTable[k]);
    }
  }
  // Tied to the frame count, not to dt: one column leftward a frame.
  sin_index = static_cast<uint16_t>(sin_index + kPhaseStep);
}
