// Drawing primitives every scene and effect is built on. Coordinates are
// pixels of the destination, origin top left; the destination comes first.
// A null surface draws nothing.
#pragma once
#include <SDL/SDL.h>

#include <cstdint>

// Keys `dst` on magenta, then blits all of `src` with its corner at (x, y).
void drawImg(SDL_Surface* dst, SDL_Surface* src, int x, int y);
// The key drawImg leaves on its destination: magenta, so that the surface
// later blits with its magenta pixels left out. Null is left alone.
void keyMagenta(SDL_Surface* surface);
// Blits the w×h region of `src` at (sx, sy) to (dx, dy); touches no key.
void drawImg2(SDL_Surface* dst, SDL_Surface* src, int dx, int dy, int w, int h, int sx, int sy);
// As drawImg, then darkens the covered rectangle to brightness/255.
void drawImgAlpha(SDL_Surface* dst, SDL_Surface* src, int x, int y, int brightness);
// One pixel; the caller keeps 0 <= x < w and 0 <= y < h.
void drawPixel(SDL_Surface* surface, int x, int y, Uint8 r, Uint8 g, Uint8 b);
// A pure green line, clipped.
void line(SDL_Surface* surface, int x1, int y1, int x2, int y2);
// Mirrors the surface left to right in place (pixels matching its colour key
// come out zero).
void mirrorImg(SDL_Surface* surface);
// sge_FilledRectAlpha(surface, 0, 0, w, h, white, alpha) on a surface whose
// clip rectangle is all of it: white laid over the whole surface at alpha/255.
void whiteOver(SDL_Surface* surface, Uint8 alpha);
// SDL_FillRect's pixels (the rectangle clipped, none meaning the whole clip
// rectangle), without SDL's word-at-a-time stores on unlocked 32-bit
// surfaces; `rect` is left as it was.
void fillRect(SDL_Surface* surface, const SDL_Rect* rect, Uint32 colour);
// The rectangle around the picture's centre in which every pixel is fully
// transparent (w and h 0 if there is none): grown along the centre row, then
// row by row up and down while the whole span stays clear. Only for 32-bit
// pictures blended by their per-pixel alpha (no key), where such pixels leave
// the destination as it was.
SDL_Rect transparentCentre(const SDL_Surface* picture);
// drawImg's pixels without touching the `hole` (a rectangle of the picture
// that draws nothing): the four strips around it, each a part of one blit.
void drawImgAround(SDL_Surface* dst, SDL_Surface* src, int x, int y, const SDL_Rect& hole);
// Nearest integer, halves away from zero.
// Within int's range the sum is cut by the conversion itself: std::trunc
// is a library call on a processor without SSE4.1. Out of range it
// saturates rather than overflows, and NaN gives 0.
inline int toInt(float value) {
  const double v = value;
  const double away = v < 0 ? 0.5 - v : v + 0.5;  // |v| + 0.5, or NaN
  if (!(away < 2147483648.0)) return away != away ? 0 : v < 0 ? INT32_MIN : INT32_MAX;
  const int cut = static_cast<int>(away);
  return v < 0 ? -cut : cut;
}

// Debug builds stop loudly when a pixel write would leave its surface.
#ifndef NDEBUG
void pixelOutOfBounds(const SDL_Surface* s, int x, int y, const char* where);
#define PLUPP_CHECK_PIXEL(s, x, y)                            \
  do {                                                        \
    if ((x) < 0 || (y) < 0 || (x) >= (s)->w || (y) >= (s)->h) \
      pixelOutOfBounds((s), (x), (y), __func__);              \
  } while (0)
#else
#define PLUPP_CHECK_PIXEL(s, x, y) ((void)0)
#endif
