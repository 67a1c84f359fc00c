#include "render/extra.h"

#include <SDL/sge.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "render/blit.h"
#include "render/kernels.h"

#ifndef NDEBUG
void pixelOutOfBounds(const SDL_Surface* s, int x, int y, const char* where) {
  std::fprintf(stderr, "PIXEL OUT OF BOUNDS in %s: (%d, %d) on a %dx%d surface\n", where, x, y,
               s->w, s->h);
  std::abort();
}
#endif

namespace {
// Where line() draws by itself: unlocked 32-bit surfaces that are not the
// display (SGE would also post an update of the display), with a clip
// rectangle that is not empty. Ends within ±kLineReach keep every product in
// the clipper below far inside the int range; a surface under kLineReach
// high, with a pitch that fits 16 bits, keeps SGE's own 16-bit steps and
// error term from wrapping.
constexpr int kLineReach = 16384;

bool drawsLineItself(const SDL_Surface* s, Sint16 x1, Sint16 y1, Sint16 x2, Sint16 y2) {
  auto within = [](int v) { return v >= -kLineReach && v < kLineReach; };
  return s->format->BytesPerPixel == 4 && !s->format->palette && !SDL_MUSTLOCK(s) && s->pixels &&
         s != SDL_GetVideoSurface() && s->clip_rect.w > 0 && s->clip_rect.h > 0 &&
         s->pitch < 32768 && s->h < kLineReach && within(x1) && within(y1) && within(x2) &&
         within(y2);
}

// Cohen–Sutherland outcodes, one bit per side of the clip rectangle.
enum : int { kLeftOf = 1, kRightOf = 2, kBelow = 4, kAbove = 8 };

struct ClipEdges {
  int left, top, right, bottom;
};

int outcode(int x, int y, const ClipEdges& e) {
  int code = 0;
  if (x < e.left)
    code |= kLeftOf;
  else if (x > e.right)
    code |= kRightOf;
  if (y < e.top)
    code |= kAbove;
  else if (y > e.bottom)
    code |= kBelow;
  return code;
}

// SGE's clipper step for step, so that the cut ends land on the same pixels:
// the outside end is always the first (the ends swap when only the second is
// out, and stay swapped), the slope is a float quotient, and each cut adds a
// float product or quotient truncated to 16 bits. Sides are tried left,
// right, bottom, top. Returns false when nothing is left to draw.
bool clipAsSge(Sint16& x1, Sint16& y1, Sint16& x2, Sint16& y2, const ClipEdges& e) {
  for (;;) {
    int code1 = outcode(x1, y1, e), code2 = outcode(x2, y2, e);
    if (!(code1 | code2)) return true;
    if (code1 & code2) return false;
    if (!code1) {
      std::swap(x1, x2);
      std::swap(y1, y2);
      std::swap(code1, code2);
    }
    const float m = x2 != x1 ? float(y2 - y1) / float(x2 - x1) : 1.0f;
    // The cut lands between the two ends, so each product or quotient stays
    // within the segment's own span and converts to int safely.
    if (code1 & kLeftOf) {
      y1 = Sint16(y1 + Sint16(int32_t(float(e.left - x1) * m)));
      x1 = Sint16(e.left);
    } else if (code1 & kRightOf) {
      y1 = Sint16(y1 + Sint16(int32_t(float(e.right - x1) * m)));
      x1 = Sint16(e.right);
    } else if (code1 & kBelow) {
      if (x2 != x1) x1 = Sint16(x1 + Sint16(int32_t(float(e.bottom - y1) / m)));
      y1 = Sint16(e.bottom);
    } else {
      if (x2 != x1) x1 = Sint16(x1 + Sint16(int32_t(float(e.top - y1) / m)));
      y1 = Sint16(e.top);
    }
  }
}
}  // namespace

void whiteOver(SDL_Surface* surface, Uint8 alpha) {
  if (!surface) return;
  const SDL_PixelFormat* f = surface->format;
  const SDL_Rect& clip = surface->clip_rect;
  const bool wholeClip = clip.x == 0 && clip.y == 0 && clip.w == surface->w && clip.h == surface->h;
  if (f->BytesPerPixel != 4 || !byteChannels(f) || f->Amask != 0 || !wholeClip ||
      SDL_MUSTLOCK(surface) || !surface->pixels) {
    sge_FilledRectAlpha(surface, 0, 0, static_cast<Sint16>(surface->w),
                        static_cast<Sint16>(surface->h), SDL_MapRGB(f, 255, 255, 255), alpha);
    return;
  }
  // What SGE does to a 32-bit pixel in white: each channel v becomes
  // v + ((255 - v)·alpha >> 8), the unused byte zero (checked against SGE
  // for every channel value and alpha).
  const unsigned rs = f->Rshift, gs = f->Gshift, bs = f->Bshift;
  if (gs == 8 && ((rs == 16 && bs == 0) || (rs == 0 && bs == 16))) {
    const int w = surface->w, h = surface->h, pitch = surface->pitch;
    Uint8* pixels = static_cast<Uint8*>(surface->pixels);
    for (int y = 0; y < h; ++y)
      kernels::whiteRow(reinterpret_cast<Uint32*>(pixels + y * pitch), w, alpha);
    return;
  }
  Uint8 lift[256];
  for (unsigned v = 0; v < 256; ++v) lift[v] = static_cast<Uint8>(v + (((255 - v) * alpha) >> 8));
  for (int y = 0; y < surface->h; ++y) {
    Uint32* row =
        reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + y * surface->pitch);
    for (int x = 0; x < surface->w; ++x) {
      const Uint32 p = row[x];
      row[x] = Uint32{lift[(p >> rs) & 0xFF]} << rs | Uint32{lift[(p >> gs) & 0xFF]} << gs |
               Uint32{lift[(p >> bs) & 0xFF]} << bs;
    }
  }
}

void fillRect(SDL_Surface* surface, const SDL_Rect* rect, Uint32 colour) {
  if (!surface) return;
  if (surface->format->BytesPerPixel != 4 || SDL_MUSTLOCK(surface) || surface->locked ||
      !surface->pixels) {
    SDL_Rect copy;
    if (rect) copy = *rect;
    SDL_FillRect(surface, rect ? &copy : nullptr, colour);
    return;
  }
  // SDL's clipping: the rectangle cut to the clip rectangle, none meaning it.
  SDL_Rect area = surface->clip_rect;
  if (rect) {
    const SDL_Rect& clip = surface->clip_rect;
    const int x0 = rect->x > clip.x ? rect->x : clip.x, y0 = rect->y > clip.y ? rect->y : clip.y;
    const int x1 = rect->x + rect->w < clip.x + clip.w ? rect->x + rect->w : clip.x + clip.w;
    const int y1 = rect->y + rect->h < clip.y + clip.h ? rect->y + rect->h : clip.y + clip.h;
    if (x1 <= x0 || y1 <= y0) return;
    area = {static_cast<Sint16>(x0), static_cast<Sint16>(y0), static_cast<Uint16>(x1 - x0),
            static_cast<Uint16>(y1 - y0)};
  }
  Uint8* row = static_cast<Uint8*>(surface->pixels) + area.y * surface->pitch + area.x * 4;
  const size_t bytes = size_t(area.w) * 4;
  // SDL stores the word a word at a time; a colour of four equal bytes
  // (black above all) is a byte fill, any other a fill of whole vectors.
  const Uint8 low = static_cast<Uint8>(colour);
  if (colour == Uint32{low} * 0x01010101u) {
    if (bytes == size_t(surface->pitch)) {
      std::memset(row, low, bytes * area.h);
      return;
    }
    for (int y = 0; y < area.h; ++y, row += surface->pitch) std::memset(row, low, bytes);
    return;
  }
  for (int y = 0; y < area.h; ++y, row += surface->pitch) {
    Uint32* words = reinterpret_cast<Uint32*>(row);
    int x = 0;
#if defined(__SSE2__)
    const __m128i four = _mm_set1_epi32(int(colour));
    for (; x + 4 <= area.w; x += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(words + x), four);
#endif
    for (; x < area.w; ++x) words[x] = colour;
  }
}

void keyMagenta(SDL_Surface* surface) {
  if (surface) SDL_SetColorKey(surface, SDL_SRCCOLORKEY, SDL_MapRGB(surface->format, 255, 0, 255));
}

void drawImg(SDL_Surface* dst, SDL_Surface* src, int x, int y) {
  if (!dst || !src) return;
  // The key goes on the destination: a buffer drawn into this way later
  // blits with its magenta pixels left out.
  keyMagenta(dst);
  SDL_Rect to = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
  blitSurface(src, nullptr, dst, &to);
}

void drawImg2(SDL_Surface* dst, SDL_Surface* src, int dx, int dy, int w, int h, int sx, int sy) {
  if (!dst || !src) return;
  SDL_Rect from = {static_cast<Sint16>(sx), static_cast<Sint16>(sy), static_cast<Uint16>(w),
                   static_cast<Uint16>(h)};
  SDL_Rect to = {static_cast<Sint16>(dx), static_cast<Sint16>(dy), 0, 0};
  blitSurface(src, &from, dst, &to);
}

SDL_Rect transparentCentre(const SDL_Surface* picture) {
  SDL_Rect none = {0, 0, 0, 0};
  if (!picture || !picture->pixels || picture->w < 1 || picture->h < 1) return none;
  const SDL_PixelFormat* f = picture->format;
  if (f->BytesPerPixel != 4 || f->Amask == 0 || !(picture->flags & SDL_SRCALPHA) ||
      (picture->flags & (SDL_SRCCOLORKEY | SDL_RLEACCEL)))
    return none;
  auto clear = [&](int x, int y) {
    const Uint8* row = static_cast<const Uint8*>(picture->pixels) + y * picture->pitch;
    Uint32 p;
    std::memcpy(&p, row + x * 4, 4);
    return (p & f->Amask) == 0;
  };
  const int cx = picture->w / 2, cy = picture->h / 2;
  if (!clear(cx, cy)) return none;
  int x0 = cx, x1 = cx, y0 = cy, y1 = cy;  // inclusive corners
  while (x0 > 0 && clear(x0 - 1, cy)) --x0;
  while (x1 + 1 < picture->w && clear(x1 + 1, cy)) ++x1;
  auto rowClear = [&](int y) {
    for (int x = x0; x <= x1; ++x)
      if (!clear(x, y)) return false;
    return true;
  };
  while (y0 > 0 && rowClear(y0 - 1)) --y0;
  while (y1 + 1 < picture->h && rowClear(y1 + 1)) ++y1;
  return {static_cast<Sint16>(x0), static_cast<Sint16>(y0), static_cast<Uint16>(x1 - x0 + 1),
          static_cast<Uint16>(y1 - y0 + 1)};
}

void drawImgAround(SDL_Surface* dst, SDL_Surface* src, int x, int y, const SDL_Rect& hole) {
  if (!dst || !src) return;
  if (hole.w == 0 || hole.h == 0) return drawImg(dst, src, x, y);
  keyMagenta(dst);  // as drawImg
  const int below = hole.y + hole.h, right = hole.x + hole.w;
  drawImg2(dst, src, x, y, src->w, hole.y, 0, 0);
  drawImg2(dst, src, x, y + hole.y, hole.x, hole.h, 0, hole.y);
  drawImg2(dst, src, x + right, y + hole.y, src->w - right, hole.h, right, hole.y);
  drawImg2(dst, src, x, y + below, src->w, src->h - below, 0, below);
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
  Sint16 ax = static_cast<Sint16>(x1), ay = static_cast<Sint16>(y1);
  Sint16 bx = static_cast<Sint16>(x2), by = static_cast<Sint16>(y2);
  if (!drawsLineItself(surface, ax, ay, bx, by)) {
    sge_Line(surface, ax, ay, bx, by, SDL_MapRGB(surface->format, 0, 255, 0));
    return;
  }
  const SDL_Rect& c = surface->clip_rect;
  const ClipEdges edges = {c.x, c.y, c.x + c.w - 1, c.y + c.h - 1};
  if (!clipAsSge(ax, ay, bx, by, edges)) return;
  // SDL_MapRGB of pure green without a palette.
  const SDL_PixelFormat* f = surface->format;
  const Uint32 green = (Uint32{255} >> f->Gloss) << f->Gshift | f->Amask;
  // SGE's walk: from the (possibly swapped) first end, one pixel per step
  // along the longer axis, a step across whenever the error term reaches the
  // run's length; both lengths count the pixels, ends included.
  const int dx = bx - ax, dy = by - ay;
  int run = std::abs(dx) + 1, rise = std::abs(dy) + 1;
  std::ptrdiff_t along = dx < 0 ? -1 : 1, across = (dy < 0 ? -1 : 1) * (surface->pitch / 4);
  if (run < rise) {
    std::swap(run, rise);
    std::swap(along, across);
  }
  PLUPP_CHECK_PIXEL(surface, ax, ay);
  PLUPP_CHECK_PIXEL(surface, bx, by);
  Uint32* const pixels = static_cast<Uint32*>(surface->pixels);
  // An index, not a pointer: the step after the last pixel may leave the surface.
  std::ptrdiff_t at = std::ptrdiff_t(ay) * (surface->pitch / 4) + ax;
  int error = 0;
  for (int i = 0; i < run; ++i) {
    pixels[at] = green;
    error += rise;
    if (error >= run) {
      error -= run;
      at += across;
    }
    at += along;
  }
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
