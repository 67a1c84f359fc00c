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
// SDL_UpperBlit, same arguments, clipping, write-back of the destination
// rectangle, pixels and result; between two unlocked 32-bit surfaces of one
// format without alpha it copies here, sparing SDL's per-pixel converter.
int blitSurface(SDL_Surface* src, SDL_Rect* srcrect, SDL_Surface* dst, SDL_Rect* dstrect);
// blitSurface's clipping alone, with the same write-back to `dstrect` (which
// must not be null): false when nothing is left to draw, else true with the
// drawn rectangle's size in dstrect->w, h and its source corner in *fromX, *fromY.
// In line: every small blit (a snowflake, a letter, a column of the flag)
// pays it.
inline bool clipBlit(const SDL_Surface* src, const SDL_Rect* srcrect, const SDL_Surface* dst,
                     SDL_Rect* dstrect, int* fromX, int* fromY) {
  // SDL_UpperBlit's clipping, step for step: the source rectangle to the
  // source, then the destination to its clip rectangle; the destination
  // rectangle gets the corner and size actually drawn.
  int sx = 0, sy = 0, w = src->w, h = src->h;
  if (srcrect) {
    sx = srcrect->x;
    w = srcrect->w;
    if (sx < 0) {
      w += sx;
      dstrect->x = static_cast<Sint16>(dstrect->x - sx);
      sx = 0;
    }
    if (src->w - sx < w) w = src->w - sx;
    sy = srcrect->y;
    h = srcrect->h;
    if (sy < 0) {
      h += sy;
      dstrect->y = static_cast<Sint16>(dstrect->y - sy);
      sy = 0;
    }
    if (src->h - sy < h) h = src->h - sy;
  }
  const SDL_Rect& clip = dst->clip_rect;
  if (int dx = clip.x - dstrect->x; dx > 0) {
    w -= dx;
    dstrect->x = static_cast<Sint16>(dstrect->x + dx);
    sx += dx;
  }
  if (int dx = dstrect->x + w - clip.x - clip.w; dx > 0) w -= dx;
  if (int dy = clip.y - dstrect->y; dy > 0) {
    h -= dy;
    dstrect->y = static_cast<Sint16>(dstrect->y + dy);
    sy += dy;
  }
  if (int dy = dstrect->y + h - clip.y - clip.h; dy > 0) h -= dy;
  if (w <= 0 || h <= 0) {
    dstrect->w = dstrect->h = 0;
    return false;
  }
  dstrect->w = static_cast<Uint16>(w);
  dstrect->h = static_cast<Uint16>(h);
  *fromX = sx;
  *fromY = sy;
  return true;
}
// Whether blitSurface draws src onto dst as its own colour-keyed copy: words
// equal to the key left out, the rest copied with the unused bits zero.
bool blitsKeyedCopy(const SDL_Surface* src, const SDL_Surface* dst);
// Whether blitSurface copies src's words onto dst as they are (one format,
// no key, no alpha).
bool blitsPlainCopy(const SDL_Surface* src, const SDL_Surface* dst);
// Whether blitSurface draws src onto dst as its own conversion of red, green,
// blue bytes (a 24-bit picture, no key or alpha) to 0x00RRGGBB words.
bool blitsRgbBytesToWords(const SDL_Surface* src, const SDL_Surface* dst);
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
// Remembers where `picture`'s rows are fully transparent and fully opaque, so
// that blitSurface blending it by its alpha skips the one and draws the other
// without testing each pixel's alpha. Only for pictures whose pixels stay as
// they are from now on; the table holds a reference of the surface (freeing
// it elsewhere leaves it alive until dropAlphaRuns). Anything but a 32-bit
// picture with an alpha byte is left alone.
void keepAlphaRuns(SDL_Surface* picture);
// Forgets every table and releases their references.
void dropAlphaRuns();
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

// Row kernels behind blitSurface and whiteOver: each fast one takes SSE2
// where the machine has it and must leave every word as its scalar twin does.
namespace extra::detail {
// The alpha blend of pictures loaded with alpha (bytes R, G, B, A) onto the
// display (0x00RRGGBB), SDL's arithmetic to the bit.
void blendPictureRow(const Uint32* s, Uint32* d, int w);
void blendPictureRowScalar(const Uint32* s, Uint32* d, int w);
// The same blend for a row of pixels all at alpha 255, their colours given
// in the display's order (0x00RRGGBB).
void opaqueRow(const Uint32* rgb, Uint32* d, int w);
void opaqueRowScalar(const Uint32* rgb, Uint32* d, int w);
// The colour-keyed copy: words equal to `key` leave d alone, others become
// s & rgb. s and d must not overlap.
void keyRow(const Uint32* s, Uint32* d, int w, Uint32 key, Uint32 rgb);
void keyRowScalar(const Uint32* s, Uint32* d, int w, Uint32 key, Uint32 rgb);
// whiteOver on one row with channels at bits 0, 8 and 16.
void whiteRow(Uint32* row, int w, Uint8 alpha);
void whiteRowScalar(Uint32* row, int w, Uint8 alpha);
// Whether the kernels with an AVX2 form (whiteRow) use it: true where the
// processor has AVX2; tests turn it off to check the SSE2 form as well.
extern bool useAvx2;
}  // namespace extra::detail

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
