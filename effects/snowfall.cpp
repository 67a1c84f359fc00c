#include "effects/snowfall.h"

#include <SDL/sge.h>

#include <cstdlib>
#include <cstring>

#include "demo/main.h"
#include "render/extra.h"
#include "render/gfx.h"
#include "render/random.h"

namespace snowfall::detail {
Flake starfield[kFlakes];
}

using snowfall::detail::Flake;
using snowfall::detail::starfield;

namespace {
// --- layer constants ---
// Pixels per hundredth of a second. The factors keep the precisions the show
// was tuned with (layer 1 in double); every product is narrowed to float
// before rounding, so at dt 1 the layers move 3, 2 and 2 pixels.
constexpr float kSpeed0 = 2.5f;
constexpr double kSpeed1 = 2.2;
constexpr float kSpeed2 = 1.5f;
// Width beyond the step of the strip repaired behind a flake: the widest
// flake of the layer (20 or 10 px). Flakes are at most 10 rows high.
constexpr int kRepairExtra[3] = {20, 10, 10};
constexpr int kRepairRows = 10;
// A flake leaving on the left gets the widest flake's strip at the edge.
constexpr int kEdgeRepairW = 20;
// The scenes repaint everything right of this column every frame (the flag).
constexpr int kLastRepairedX = 204;
// Scene mode: flakes above row 90 or below row 380 are drawn dark.
constexpr int kDarkAbove = 90, kDarkBelow = 380;
// Intro bands, rows inclusive, and the frame lines laid over their edges.
constexpr int kTopBandLastRow = 95, kBottomBandFirstRow = 385;
constexpr int kUpperLineRow = 90, kLowerLineRow = 365;

int stepOf(int layer) {
  switch (layer) {
    case 0: return toInt(dt * kSpeed0);
    case 1: return toInt(static_cast<float>(dt * kSpeed1));
    default: return toInt(dt * kSpeed2);
  }
}

SDL_Surface* normalPicture(int layer) {
  switch (layer) {
    case 0: return img_snowflake;
    case 1: return img_snowflake2;
    default: return img_snowflake3;
  }
}

SDL_Surface* darkPicture(int layer) {
  switch (layer) {
    case 0: return img_snowflake_dark;
    case 1: return img_snowflake2_dark;
    default: return img_snowflake3_dark;
  }
}

// Just off the right edge: x 640..739.
void respawn(Flake& f) { f.x = showRand() % 100 + 640; }

// --- direct drawing: 200 sprites of a few pixels each are mostly call
// overhead through the blitter, so pairs it would copy word for word are
// drawn here with its clipping and keying. ---

// Columns [x0, x1) and rows [y0, y1) a drawing may touch.
struct Area {
  int x0, y0, x1, y1;
};

bool wholeByte(Uint32 mask, Uint8 shift) { return mask == Uint32{0xFF} << shift; }

// Whether the blitter copies or keys `src` onto `dst` word by word: both
// 32-bit with the same whole-byte colour channels and no alpha, no palette,
// no RLE, nothing to lock. Anything else goes through drawImg.
bool wordForWord(const SDL_Surface* src, const SDL_Surface* dst) {
  const SDL_PixelFormat *s = src->format, *d = dst->format;
  return src != dst && s->BytesPerPixel == 4 && d->BytesPerPixel == 4 && !s->palette &&
         !d->palette && s->Amask == 0 && d->Amask == 0 && s->Rmask == d->Rmask &&
         s->Gmask == d->Gmask && s->Bmask == d->Bmask && wholeByte(d->Rmask, d->Rshift) &&
         wholeByte(d->Gmask, d->Gshift) && wholeByte(d->Bmask, d->Bshift) &&
         !(src->flags & (SDL_SRCALPHA | SDL_RLEACCEL | SDL_RLEACCELOK)) &&
         !(dst->flags & (SDL_RLEACCEL | SDL_RLEACCELOK)) && !SDL_MUSTLOCK(src) &&
         !SDL_MUSTLOCK(dst) && !src->locked && !dst->locked && src->pixels && dst->pixels;
}

Area clipArea(const SDL_Surface* s) {
  const SDL_Rect& c = s->clip_rect;
  return {c.x, c.y, c.x + c.w, c.y + c.h};
}

Area intersect(Area a, Area b) {
  return {a.x0 > b.x0 ? a.x0 : b.x0, a.y0 > b.y0 ? a.y0 : b.y0, a.x1 < b.x1 ? a.x1 : b.x1,
          a.y1 < b.y1 ? a.y1 : b.y1};
}

// The w×h region of `src` at (sx, sy) onto the screen at (x, y), cut to `a`.
// A keyed source leaves its key pixels out and writes the others' colour
// channels alone (the blitter compares the whole word); otherwise the words
// are copied as they are.
void put(SDL_Surface* src, int sx, int sy, int x, int y, int w, int h, const Area& a) {
  if (x < a.x0) {
    sx += a.x0 - x;
    w -= a.x0 - x;
    x = a.x0;
  }
  if (y < a.y0) {
    sy += a.y0 - y;
    h -= a.y0 - y;
    y = a.y0;
  }
  if (x + w > a.x1) w = a.x1 - x;
  if (y + h > a.y1) h = a.y1 - y;
  if (w <= 0 || h <= 0) return;
  const Uint8* from = static_cast<const Uint8*>(src->pixels) + sy * src->pitch + sx * 4;
  Uint8* to = static_cast<Uint8*>(screen->pixels) + y * screen->pitch + x * 4;
  if (!(src->flags & SDL_SRCCOLORKEY)) {
    for (int row = 0; row < h; ++row, from += src->pitch, to += screen->pitch)
      std::memcpy(to, from, size_t(w) * 4);
    return;
  }
  const Uint32 key = src->format->colorkey;
  const Uint32 rgb = src->format->Rmask | src->format->Gmask | src->format->Bmask;
  for (int row = 0; row < h; ++row, from += src->pitch, to += screen->pitch) {
    for (int col = 0; col < w; ++col) {
      Uint32 p;
      std::memcpy(&p, from + 4 * col, 4);
      if (p == key) continue;
      p &= rgb;
      std::memcpy(to + 4 * col, &p, 4);
    }
  }
}

// A whole picture with its corner at (x, y), as drawImg puts it (coordinates
// narrowed as it narrows them).
void putPicture(SDL_Surface* pic, int x, int y, const Area& a) {
  if (pic) put(pic, 0, 0, static_cast<Sint16>(x), static_cast<Sint16>(y), pic->w, pic->h, a);
}

// The background's own pixels at the same place, as drawImg2 copies them
// when source and destination corners agree: the rectangle cut to the
// background and to `a`.
void repairFromBackground(int x, int y, int w, int h, const Area& a) {
  if (!img_bg) return;
  const Area inBg = intersect(a, {0, 0, img_bg->w, img_bg->h});
  const int x16 = static_cast<Sint16>(x), y16 = static_cast<Sint16>(y);
  put(img_bg, x16, y16, x16, y16, static_cast<Uint16>(w), static_cast<Uint16>(h), inBg);
}

// Whether every picture the snow may draw this frame (background included
// over the scenes) goes word for word onto the screen.
bool directDrawing(bool withBackground) {
  SDL_Surface* const pictures[7] = {img_snowflake,
                                    img_snowflake2,
                                    img_snowflake3,
                                    img_snowflake_dark,
                                    img_snowflake2_dark,
                                    img_snowflake3_dark,
                                    withBackground ? img_bg : nullptr};
  for (SDL_Surface* p : pictures)
    if (p && !wordForWord(p, screen)) return false;
  return true;
}

// drawImg keys the screen on magenta before its first picture; done once
// for the frame, as soon as a picture will be drawn.
void keyScreenOnce(bool& keyed) {
  if (keyed) return;
  SDL_SetColorKey(screen, SDL_SRCCOLORKEY, SDL_MapRGB(screen->format, 255, 0, 255));
  keyed = true;
}

void drawOverSceneDirect() {
  const Area whole = clipArea(screen);
  bool keyed = false;
  for (Flake& f : starfield) {
    int step = stepOf(f.layer);
    int newx = f.x - step;
    if (mainTrans == 0 && newx <= kLastRepairedX)
      repairFromBackground(newx, f.y, step + kRepairExtra[f.layer], kRepairRows, whole);
    bool dark = f.y < kDarkAbove || f.y > kDarkBelow;
    SDL_Surface* pic = dark ? darkPicture(f.layer) : normalPicture(f.layer);
    if (pic) keyScreenOnce(keyed);
    putPicture(pic, newx, f.y, whole);
    f.x = newx;
    if (f.x < 0) {
      repairFromBackground(0, f.y, kEdgeRepairW, kRepairRows, whole);
      respawn(f);
    }
  }
}

void drawOverScene() {
  if (directDrawing(true)) {
    drawOverSceneDirect();
    return;
  }
  for (Flake& f : starfield) {
    int step = stepOf(f.layer);
    int newx = f.x - step;
    // While the fade runs the scene repaints its whole background anyway.
    if (mainTrans == 0 && newx <= kLastRepairedX)
      drawImg2(screen, img_bg, newx, f.y, step + kRepairExtra[f.layer], kRepairRows, newx, f.y);
    bool dark = f.y < kDarkAbove || f.y > kDarkBelow;
    drawImg(screen, dark ? darkPicture(f.layer) : normalPicture(f.layer), newx, f.y);
    f.x = newx;
    if (f.x < 0) {
      drawImg2(screen, img_bg, 0, f.y, kEdgeRepairW, kRepairRows, 0, f.y);
      respawn(f);
    }
  }
}

void drawIntroSnow() {
  sge_ClearSurface(screen, SDL_MapRGB(screen->format, 0, 0, 0));
  // The bands are black from the clear; flakes cut to the rows between them
  // leave what filling the bands over them would. The bands end at column
  // and row 640 and 480, so a larger screen would keep flakes beyond them.
  if (screen->w <= 641 && screen->h <= 481 && directDrawing(false)) {
    const Area between =
        intersect(clipArea(screen), {0, kTopBandLastRow + 1, screen->w, kBottomBandFirstRow});
    bool keyed = false;
    for (Flake& f : starfield) {
      f.x -= stepOf(f.layer);
      SDL_Surface* pic = normalPicture(f.layer);
      if (pic) keyScreenOnce(keyed);
      putPicture(pic, f.x, f.y, between);
      if (f.x < 0) respawn(f);
    }
    return;
  }
  for (Flake& f : starfield) {
    f.x -= stepOf(f.layer);
    drawImg(screen, normalPicture(f.layer), f.x, f.y);
    if (f.x < 0) respawn(f);
  }
  // SGE includes both corners, whichever order they come in.
  Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
  sge_FilledRect(screen, 0, 0, 640, kTopBandLastRow, black);
  sge_FilledRect(screen, 0, 480, 640, kBottomBandFirstRow, black);
}
}  // namespace

void initStarfield() {
  for (Flake& f : starfield) {
    f.x = showRand() % 640;
    f.y = showRand() % 480;
    f.layer = showRand() % 3;
  }
}

void drawStarfield() {
  if (!screen) return;
  int scene = currentScene.load();
  if (scene == 1 || scene == 2)
    drawOverScene();
  else
    drawIntroSnow();
  drawImg(screen, linje_uppe, 0, kUpperLineRow);
  drawImg(screen, linje_nere, 0, kLowerLineRow);
}
