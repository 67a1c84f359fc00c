// The show's own blitter: SDL_UpperBlit's pixels, drawn here for the pairs
// of surfaces the show blits every frame (copies, colour keys, alpha-blended
// pictures, 24-bit pictures), without SDL's per-pixel converter.
#pragma once
#include <SDL/SDL.h>

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
// Remembers where `picture`'s rows are fully transparent and fully opaque, so
// that blitSurface blending it by its alpha skips the one and draws the other
// without testing each pixel's alpha. Only for pictures whose pixels stay as
// they are from now on; the table holds a reference of the surface (freeing
// it elsewhere leaves it alive until dropAlphaRuns). Anything but a 32-bit
// picture with an alpha byte is left alone.
void keepAlphaRuns(SDL_Surface* picture);
// Forgets every table and releases their references.
void dropAlphaRuns();
// Red, green and blue each a whole byte, alpha a whole byte or none; no
// palette: the formats whose pixels the blitter and whiteOver work on.
bool byteChannels(const SDL_PixelFormat* f);

// A blit of one picture onto one surface decided once for many draws (a
// frame's snowflakes): the pairs blitSurface copies itself are then drawn
// without its per-blit format checks and calls. Good while neither surface
// changes format, key or pixels; a null picture draws nothing.
struct BlitPlan {
  SDL_Surface* picture;
  SDL_Surface* dst;
  enum class Way { kBlit, kKeyed, kCopy } way;
  Uint32 key, rgb;  // kKeyed: words equal to key are left out, the rest masked to rgb
};
BlitPlan planBlit(SDL_Surface* picture, SDL_Surface* dst);
// blitSurface(plan.picture, srcrect, plan.dst, {x, y}) without the write-back:
// the same pixels. False when the plan has no picture.
bool blitPlanned(const BlitPlan& plan, const SDL_Rect* srcrect, int x, int y);
