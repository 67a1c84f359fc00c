#include "render/extra.h"

#include <SDL/sge.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#ifndef NDEBUG
void pixelOutOfBounds(const SDL_Surface* s, int x, int y, const char* where) {
  std::fprintf(stderr, "PIXEL OUT OF BOUNDS in %s: (%d, %d) on a %dx%d surface\n", where, x, y,
               s->w, s->h);
  std::abort();
}
#endif

void drawImg(SDL_Surface* dst, SDL_Surface* src, int x, int y) {
  if (!dst || !src) return;
  // The key goes on the destination: a buffer drawn into this way later
  // blits with its magenta pixels left out.
  SDL_SetColorKey(dst, SDL_SRCCOLORKEY, SDL_MapRGB(dst->format, 255, 0, 255));
  SDL_Rect to = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
  SDL_UpperBlit(src, nullptr, dst, &to);
}

void drawImg2(SDL_Surface* dst, SDL_Surface* src, int dx, int dy, int w, int h, int sx, int sy) {
  if (!dst || !src) return;
  SDL_Rect from = {static_cast<Sint16>(sx), static_cast<Sint16>(sy), static_cast<Uint16>(w),
                   static_cast<Uint16>(h)};
  SDL_Rect to = {static_cast<Sint16>(dx), static_cast<Sint16>(dy), 0, 0};
  SDL_UpperBlit(src, &from, dst, &to);
}

void drawImgAlpha(SDL_Surface* dst, SDL_Surface* src, int x, int y, int brightness) {
  if (!dst || !src) return;
  drawImg(dst, src, x, y);
  // SGE takes both corners as inclusive.
  sge_FilledRectAlpha(dst, static_cast<Sint16>(x), static_cast<Sint16>(y),
                      static_cast<Sint16>(x + src->w), static_cast<Sint16>(y + src->h),
                      SDL_MapRGB(dst->format, 0, 0, 0), static_cast<Uint8>(255 - brightness));
}

void drawPixel(SDL_Surface* surface, int x, int y, Uint8 r, Uint8 g, Uint8 b) {
  if (!surface) return;
  PLUPP_CHECK_PIXEL(surface, x, y);
  Uint32 colour = SDL_MapRGB(surface->format, r, g, b);
  Uint8* row = static_cast<Uint8*>(surface->pixels) + y * surface->pitch;
  switch (surface->format->BytesPerPixel) {
    case 1: row[x] = static_cast<Uint8>(colour); break;
    case 2: reinterpret_cast<Uint16*>(row)[x] = static_cast<Uint16>(colour); break;
    case 3: {
      // Lowest byte first whatever the machine's byte order.
      Uint8* p = row + 3 * x;
      p[0] = static_cast<Uint8>(colour);
      p[1] = static_cast<Uint8>(colour >> 8);
      p[2] = static_cast<Uint8>(colour >> 16);
      break;
    }
    case 4: reinterpret_cast<Uint32*>(row)[x] = colour; break;
    default: break;
  }
}

void line(SDL_Surface* surface, int x1, int y1, int x2, int y2) {
  if (!surface) return;
  sge_Line(surface, static_cast<Sint16>(x1), static_cast<Sint16>(y1), static_cast<Sint16>(x2),
           static_cast<Sint16>(y2), SDL_MapRGB(surface->format, 0, 255, 0));
}

void mirrorImg(SDL_Surface* surface) {
  if (!surface) return;
  const SDL_PixelFormat* f = surface->format;
  SDL_Surface* tmp = SDL_CreateRGBSurface(SDL_HWSURFACE, surface->w, surface->h, f->BitsPerPixel,
                                          f->Rmask, f->Gmask, f->Bmask, f->Amask);
  if (!tmp) return;
  // One column a blit; the surface's own key leaves its keyed pixels zero.
  for (int i = 0; i < surface->w; ++i)
    drawImg2(tmp, surface, i, 0, 1, surface->h, surface->w - 1 - i, 0);
  drawImg(surface, tmp, 0, 0);
  SDL_FreeSurface(tmp);
}

int toInt(float value) {
  double v = value;
  double r = v < 0 ? -std::trunc(-v + 0.5) : std::trunc(v + 0.5);
  // Saturate rather than overflow: a runaway coordinate stays defined.
  if (!(r > -2147483648.0)) return r != r ? 0 : INT32_MIN;
  if (r > 2147483647.0) return INT32_MAX;
  return static_cast<int>(r);
}
