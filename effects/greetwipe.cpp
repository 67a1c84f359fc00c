#include "effects/greetwipe.h"

#include <cstring>

#include "demo/clock.h"
#include "demo/state.h"
#include "render/blit.h"
#include "render/extra.h"
#include "render/gfx.h"

namespace greetwipe::detail {
int currentbajs = 0;
int bajs_cur_x = 0;
}  // namespace greetwipe::detail

using greetwipe::detail::bajs_cur_x;
using greetwipe::detail::currentbajs;

namespace {
// --- box and slide show: pixels of the box, milliseconds of the show clock ---
constexpr int kBoxW = 200, kBoxH = 150;
constexpr int kLastLoadedSlot = 12;  // slots 13 and 14 of bajssurface stay empty
constexpr Uint32 kFirstPeriodEndMs = 159999;
constexpr Uint32 kFirstStandMs = 5000, kLaterStandMs = 7000;

void nextPicture(Uint32 now) {
  bajs_cur_x = 0;
  lastbajs = now;
  // Wrapped in the first period too: a scene entered early by the song would
  // otherwise count past the table's slots.
  currentbajs = (currentbajs + 1) % kGreetSlots;
}

// The smear as one blit: column `edge` repeated over box columns edge..right-1
// in a surface of the picture's format and blending, blitted once. A blit's
// pixels do not depend on their neighbours, so this writes what a blit a
// column would. False, drawing nothing, where the copy would not blend as
// the picture does (palettes, keys, RLE).
bool smearAtOnce(SDL_Surface* picture, int edge, int right) {
  const SDL_PixelFormat* f = picture->format;
  if (f->palette || SDL_MUSTLOCK(picture) || !picture->pixels ||
      (picture->flags & (SDL_SRCCOLORKEY | SDL_RLEACCEL | SDL_RLEACCELOK)))
    return false;
  const int w = right - edge, h = picture->h < kBoxH ? picture->h : kBoxH;
  if (w <= 0 || h <= 0) return true;
  SDL_Surface* smear = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, f->BitsPerPixel, f->Rmask,
                                            f->Gmask, f->Bmask, f->Amask);
  if (!smear) return false;
  SDL_SetAlpha(smear, picture->flags & SDL_SRCALPHA, f->alpha);
  if ((smear->flags & (SDL_SRCALPHA | SDL_SRCCOLORKEY | SDL_RLEACCEL | SDL_RLEACCELOK)) !=
          (picture->flags & SDL_SRCALPHA) ||
      smear->format->alpha != f->alpha || SDL_MUSTLOCK(smear)) {
    SDL_FreeSurface(smear);
    return false;
  }
  const int bytes = f->BytesPerPixel;
  for (int y = 0; y < h; ++y) {
    const Uint8* from =
        static_cast<const Uint8*>(picture->pixels) + y * picture->pitch + edge * bytes;
    Uint8* to = static_cast<Uint8*>(smear->pixels) + y * smear->pitch;
    for (int x = 0; x < w; ++x) std::memcpy(to + x * bytes, from, bytes);
  }
  drawImg2(demoboxBuffer, smear, edge, 0, w, h, 0, 0);
  SDL_FreeSurface(smear);
  return true;
}
// The smear where a blit copies or converts the picture's pixels on their
// own (its words, or red, green, blue bytes to the box's words, nothing of
// the box showing through): the edge column blitted once, then its words
// repeated along their rows. False, drawing nothing, for other pictures or a
// box clipped short.
bool smearAlongRows(SDL_Surface* picture, int edge, int right) {
  SDL_Surface* box = demoboxBuffer;
  const SDL_Rect& clip = box->clip_rect;
  if (!(blitsPlainCopy(picture, box) || blitsRgbBytesToWords(picture, box)) || clip.x != 0 ||
      clip.y != 0 || clip.w != box->w || clip.h != box->h)
    return false;
  if (right <= edge) return true;
  SDL_Rect from = {static_cast<Sint16>(edge), 0, 1, kBoxH},
           to = {static_cast<Sint16>(edge), 0, 0, 0};
  blitSurface(picture, &from, box, &to);
  const int end = right < box->w ? right : box->w;
  for (int y = to.y; y < to.y + to.h; ++y) {
    Uint32* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(box->pixels) + y * box->pitch);
    for (int x = edge + 1; x < end; ++x) row[x] = row[edge];
  }
  return true;
}
}  // namespace

int greetwipe::detail::shownSlot(int slot) {
  if (slot < 0) return 0;
  return slot > kLastLoadedSlot ? kLastLoadedSlot : slot;
}

void drawBajs() {
  SDL_Surface* picture = bajssurface[greetwipe::detail::shownSlot(currentbajs)];
  const int edge = bajs_cur_x;
  if (picture && demoboxBuffer) {
    drawImg2(demoboxBuffer, picture, 0, 0, edge, kBoxH, 0, 0);
    // Column `edge` stretched to the right; columns past the box would be
    // clipped, so the smear stops at its edge.
    const int right = picture->w < kBoxW ? picture->w : kBoxW;
    if (!smearAlongRows(picture, edge, right) && !smearAtOnce(picture, edge, right))
      for (int i = edge; i < right; ++i) drawImg2(demoboxBuffer, picture, i, 0, 1, kBoxH, edge, 0);
  }

  bajs_cur_x += toInt(2 * dt);
  if (bajs_cur_x > kBoxW) bajs_cur_x = kBoxW;
  if (bajs_cur_x < 0) bajs_cur_x = 0;  // a clock that ran backwards

  if (clockTicks() <= kFirstPeriodEndMs) {
    if (clockTicks() - lastbajs > kFirstStandMs) nextPicture(clockTicks());
  } else {
    if (clockTicks() - lastbajs > kLaterStandMs) nextPicture(clockTicks());
  }
}
