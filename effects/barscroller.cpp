#include "effects/barscroller.h"

#include <SDL/sge.h>

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "demo/main.h"
#include "render/extra.h"
#include "render/gfx.h"

// --- bar state: kept while other effects run, so the bars resume ---
namespace barscroller_detail {
Bar amigascroller[7];
}  // namespace barscroller_detail

namespace {
using barscroller_detail::amigascroller;

// True when drawImg would blit the bar as a plain 24-to-32-bit conversion:
// bytes red, green, blue in the bar, no key or alpha on it, the box
// 0x00RRGGBB, unlocked, its clip the whole of it.
bool barConvertsStraight(const SDL_Surface* bar, const SDL_Surface* box) {
  const SDL_PixelFormat *p = bar->format, *b = box->format;
  const SDL_Rect& clip = box->clip_rect;
  return SDL_BYTEORDER == SDL_LIL_ENDIAN && p->BytesPerPixel == 3 && !p->palette &&
         p->Rmask == 0x0000FF && p->Gmask == 0x00FF00 && p->Bmask == 0xFF0000 && p->Amask == 0 &&
         p->Rloss == 0 && p->Gloss == 0 && p->Bloss == 0 &&
         !(bar->flags & (SDL_SRCALPHA | SDL_SRCCOLORKEY | SDL_RLEACCEL | SDL_RLEACCELOK)) &&
         b->BytesPerPixel == 4 && !b->palette && b->Rmask == 0xFF0000 && b->Gmask == 0x00FF00 &&
         b->Bmask == 0x0000FF && b->Amask == 0 && b->Rloss == 0 && b->Gloss == 0 && b->Bloss == 0 &&
         !(box->flags & (SDL_RLEACCEL | SDL_RLEACCELOK)) && !SDL_MUSTLOCK(bar) &&
         !SDL_MUSTLOCK(box) && !bar->locked && !box->locked && bar->pixels && box->pixels &&
         clip.x == 0 && clip.y == 0 && clip.w == box->w && clip.h == box->h;
}

// One row of red, green, blue bytes to 0x00RRGGBB words.
void convertRow(const Uint8* from, Uint32* to, int w) {
  int x = 0;
#if defined(__SSE2__)
  // Four pixels from a 16-byte load (so 4 bytes past the fourth must be
  // there): each 3-byte pixel moved to its own word, then red and blue
  // swapped and the top byte cleared.
  const __m128i green = _mm_set1_epi32(0x00FF00), red = _mm_set1_epi32(0xFF0000);
  const __m128i blue = _mm_set1_epi32(0x0000FF);
  for (; 3 * x + 16 <= 3 * w; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 3 * x));
    const __m128i p01 = _mm_unpacklo_epi32(v, _mm_srli_si128(v, 3));
    const __m128i p23 = _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9));
    const __m128i p = _mm_unpacklo_epi64(p01, p23);
    const __m128i out = _mm_or_si128(_mm_and_si128(p, green),
                                     _mm_or_si128(_mm_and_si128(_mm_slli_epi32(p, 16), red),
                                                  _mm_and_si128(_mm_srli_epi32(p, 16), blue)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x), out);
  }
#endif
  for (; x < w; ++x) {
    const Uint8* p = from + 3 * x;
    to[x] = Uint32{p[0]} << 16 | Uint32{p[1]} << 8 | Uint32{p[2]};
  }
}

// drawImg(box, bar, 0, top) for a bar that converts straight: the same rows
// and columns, clipped to the box.
void drawBar(SDL_Surface* box, const SDL_Surface* bar, int top) {
  SDL_SetColorKey(box, SDL_SRCCOLORKEY, SDL_MapRGB(box->format, 255, 0, 255));
  const int w = bar->w < box->w ? bar->w : box->w;
  const int first = top < 0 ? 0 : top;
  const int end = top + bar->h < box->h ? top + bar->h : box->h;
  for (int y = first; y < end; ++y)
    convertRow(static_cast<const Uint8*>(bar->pixels) + (y - top) * bar->pitch,
               reinterpret_cast<Uint32*>(static_cast<Uint8*>(box->pixels) + y * box->pitch), w);
}
}  // namespace

void initAmigaScroller() {
  // 50 steps (0.65 rad) between neighbours keep the rainbow's shape.
  for (int i = 0; i < 7; ++i) amigascroller[i] = {50 * i, 0};
}

void drawAmigaScroller() {
  if (demoboxBuffer && screen) sge_ClearSurface(demoboxBuffer, SDL_MapRGB(screen->format, 0, 0, 0));
  // Purple first, red last: red lies on top where bars overlap.
  for (int i = 0; i < 7; ++i) {
    auto& bar = amigascroller[i];
    // The fraction is cut every frame, so frames under 2.5 ms never move.
    bar.phase = static_cast<int32_t>(std::trunc(bar.phase + dt * 4.0));
    bar.offset = static_cast<int32_t>(std::trunc(std::sin(bar.phase * 0.013) * 20.0));
    SDL_Surface* picture = amigabars_gfx[6 - i];
    if (demoboxBuffer && picture && barConvertsStraight(picture, demoboxBuffer))
      drawBar(demoboxBuffer, picture, bar.offset + 70);
    else
      drawImg(demoboxBuffer, picture, 0, bar.offset + 70);
  }
}
