#include "effects/colourfilters.h"

#include <SDL/sge.h>

#include "demo/main.h"
#include "render/extra.h"
#include "render/gfx.h"

namespace colourfilters::detail {
int rstart = 255, gstart = 255, bstart = 255;
int neg_dir = 1, gneg_dir = 1, bneg_dir = 1;
}  // namespace colourfilters::detail

using namespace colourfilters::detail;

namespace {
// Steps of the start values per hundredth of a second, red, blue, green.
struct Speeds {
  double red, blue, green;
};
constexpr Speeds kPsychoSpeeds = {1.1, 1.2, 1.0};
constexpr Speeds kFlashSpeeds = {2.0, 1.4, 1.0};

// Past 255 while rising or below 0 while falling: clamp and turn.
void bounce(int& start, int& dir) {
  if (start > 255 && dir == 1) {
    start = 255;
    dir = -1;
  } else if (start < 0 && dir == -1) {
    start = 0;
    dir = 1;
  }
}

void advanceStarts(const Speeds& s) {
  rstart += toInt(static_cast<float>(dt * s.red)) * neg_dir;
  bstart += toInt(static_cast<float>(dt * s.blue)) * bneg_dir;
  gstart += toInt(static_cast<float>(dt * s.green)) * gneg_dir;
  bounce(rstart, neg_dir);
  bounce(gstart, gneg_dir);
  bounce(bstart, bneg_dir);
}

// Red, green and blue each a full byte of the pixel, no palette.
bool eightBitChannels(const SDL_PixelFormat* f) {
  return !f->palette && f->Rloss == 0 && f->Gloss == 0 && f->Bloss == 0 &&
         f->Rmask == Uint32{0xFF} << f->Rshift && f->Gmask == Uint32{0xFF} << f->Gshift &&
         f->Bmask == Uint32{0xFF} << f->Bshift;
}

// Replaces each channel c of every pixel by base − c on 8 bits, so it wraps.
// Only 32-bit surfaces are handled; rows are walked by their pitch.
void subtractFrom(SDL_Surface* s, int rBase, int gBase, int bBase) {
  if (!s || s->format->BytesPerPixel != 4) return;
  if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) < 0) return;
  const SDL_PixelFormat* f = s->format;
  if (eightBitChannels(f)) {
    // Channels whole bytes at their shifts: reading a channel is a shift and
    // a mask, and mapping puts it back and adds the alpha mask, as
    // SDL_GetRGB and SDL_MapRGB do for such formats.
    const Uint8 rs = f->Rshift, gs = f->Gshift, bs = f->Bshift;
    for (int y = 0; y < s->h; ++y) {
      Uint32* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
      for (int x = 0; x < s->w; ++x) {
        const Uint32 p = row[x];
        row[x] = static_cast<Uint32>((rBase - (p >> rs)) & 0xFF) << rs |
                 static_cast<Uint32>((gBase - (p >> gs)) & 0xFF) << gs |
                 static_cast<Uint32>((bBase - (p >> bs)) & 0xFF) << bs | f->Amask;
      }
    }
  } else {
    for (int y = 0; y < s->h; ++y) {
      Uint32* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
      for (int x = 0; x < s->w; ++x) {
        SDL_Color c = sge_GetRGB(s, row[x]);
        row[x] = SDL_MapRGB(s->format, static_cast<Uint8>(rBase - c.r),
                            static_cast<Uint8>(gBase - c.g), static_cast<Uint8>(bBase - c.b));
      }
    }
  }
  if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
}
}  // namespace

void drawPsycho() {
  advanceStarts(kPsychoSpeeds);
  // Without the picture the box keeps its last frame rather than cycling
  // its colours frame after frame.
  if (!img_psycho || !demoboxBuffer) return;
  drawImg(demoboxBuffer, img_psycho, 0, 0);
  subtractFrom(demoboxBuffer, rstart, gstart, bstart);
}

void negFilter(SDL_Surface* surface) {
  advanceStarts(kFlashSpeeds);
  // The next colour-cycling frame sweeps again from the plain negative.
  rstart = gstart = bstart = 255;
  subtractFrom(surface, 255, 255, 255);
}
