#include "effects/colourfilters.h"

#include <SDL/sge.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "demo/state.h"
#include "render/blit.h"
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

// A byte `base` at each channel's shift, for subtracting channel by channel.
Uint32 baseWord(const SDL_PixelFormat* f, int rBase, int gBase, int bBase) {
  return static_cast<Uint32>(rBase & 0xFF) << f->Rshift |
         static_cast<Uint32>(gBase & 0xFF) << f->Gshift |
         static_cast<Uint32>(bBase & 0xFF) << f->Bshift;
}

// base − p byte by byte, without borrows between bytes: with every channel a
// whole byte on a byte boundary this is each channel's base − c on 8 bits;
// the other byte is then masked off and the alpha mask put in.
void subtractRow(Uint32* row, int w, Uint32 base, Uint32 rgb, Uint32 alpha) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i b = _mm_set1_epi32(static_cast<int>(base));
  const __m128i keep = _mm_set1_epi32(static_cast<int>(rgb));
  const __m128i add = _mm_set1_epi32(static_cast<int>(alpha));
  for (; x + 4 <= w; x += 4) {
    __m128i* at = reinterpret_cast<__m128i*>(row + x);
    const __m128i p = _mm_loadu_si128(at);
    _mm_storeu_si128(at, _mm_or_si128(_mm_and_si128(_mm_sub_epi8(b, p), keep), add));
  }
#endif
  for (; x < w; ++x) {
    const Uint32 p = row[x];
    // Bytes apart: a borrow out of one byte is kept out of the next.
    const Uint32 diff = ((base | 0x80808080u) - (p & 0x7F7F7F7Fu)) ^ ((base ^ ~p) & 0x80808080u);
    row[x] = (diff & rgb) | alpha;
  }
}

bool onByteBoundaries(const SDL_PixelFormat* f) {
  return f->Rshift % 8 == 0 && f->Gshift % 8 == 0 && f->Bshift % 8 == 0;
}

// Replaces each channel c of every pixel by base − c on 8 bits, so it wraps.
// Only 32-bit surfaces are handled; rows are walked by their pitch.
void subtractFrom(SDL_Surface* s, int rBase, int gBase, int bBase) {
  if (!s || s->format->BytesPerPixel != 4) return;
  if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) < 0) return;
  const SDL_PixelFormat* f = s->format;
  if (eightBitChannels(f) && onByteBoundaries(f)) {
    // Reading a channel is a shift and a mask, and mapping puts it back and
    // adds the alpha mask, as SDL_GetRGB and SDL_MapRGB do for such formats.
    const Uint32 base = baseWord(f, rBase, gBase, bBase);
    const Uint32 rgb = f->Rmask | f->Gmask | f->Bmask, alpha = f->Amask;
    const int w = s->w, h = s->h, pitch = s->pitch;
    for (int y = 0; y < h; ++y)
      subtractRow(reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * pitch), w, base,
                  rgb, alpha);
  } else if (eightBitChannels(f)) {
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

// True when drawImg would copy the whole box from the picture as a plain
// 24-to-32-bit conversion: bytes red, green, blue in the picture, no key or
// alpha on it, and the box 0x00RRGGBB, unlocked, its clip the whole of it
// and the picture covering it.
bool psychoConvertsStraight(const SDL_Surface* picture, const SDL_Surface* box) {
  if (!blitsRgbBytesToWords(picture, box)) return false;
  const SDL_Rect& clip = box->clip_rect;
  return clip.x == 0 && clip.y == 0 && clip.w == box->w && clip.h == box->h &&
         picture->w >= box->w && picture->h >= box->h;
}

// One row of the picture's red, green, blue bytes to the box's words, each
// channel c as base − c on 8 bits.
void subtractRow24(const Uint8* from, Uint32* to, int w, int rBase, int gBase, int bBase) {
  int x = 0;
#if defined(__SSE2__)
  // Four pixels from a 16-byte load (so 4 bytes past the fourth must be
  // there): each 3-byte pixel moved to its own word, subtracted in the
  // picture's byte order, then red and blue swapped.
  const __m128i base = _mm_set1_epi32((rBase & 0xFF) | (gBase & 0xFF) << 8 | (bBase & 0xFF) << 16);
  const __m128i green = _mm_set1_epi32(0x00FF00), red = _mm_set1_epi32(0xFF0000);
  const __m128i blue = _mm_set1_epi32(0x0000FF);
  for (; 3 * x + 16 <= 3 * w; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 3 * x));
    const __m128i p01 = _mm_unpacklo_epi32(v, _mm_srli_si128(v, 3));
    const __m128i p23 = _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9));
    const __m128i t = _mm_sub_epi8(base, _mm_unpacklo_epi64(p01, p23));
    const __m128i out = _mm_or_si128(_mm_and_si128(t, green),
                                     _mm_or_si128(_mm_and_si128(_mm_slli_epi32(t, 16), red),
                                                  _mm_and_si128(_mm_srli_epi32(t, 16), blue)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x), out);
  }
#endif
  for (; x < w; ++x) {
    const Uint8* p = from + 3 * x;
    to[x] = static_cast<Uint32>((rBase - p[0]) & 0xFF) << 16 |
            static_cast<Uint32>((gBase - p[1]) & 0xFF) << 8 |
            static_cast<Uint32>((bBase - p[2]) & 0xFF);
  }
}
}  // namespace

void drawPsycho() {
  advanceStarts(kPsychoSpeeds);
  // Without the picture the box keeps its last frame rather than cycling
  // its colours frame after frame.
  if (!img_psycho || !demoboxBuffer) return;
  if (psychoConvertsStraight(img_psycho, demoboxBuffer)) {
    // The copy and the subtraction in one pass; the key drawImg would set.
    keyMagenta(demoboxBuffer);
    const Uint8* from = static_cast<const Uint8*>(img_psycho->pixels);
    Uint8* to = static_cast<Uint8*>(demoboxBuffer->pixels);
    for (int y = 0; y < demoboxBuffer->h; ++y)
      subtractRow24(from + y * img_psycho->pitch,
                    reinterpret_cast<Uint32*>(to + y * demoboxBuffer->pitch), demoboxBuffer->w,
                    rstart, gstart, bstart);
    return;
  }
  drawImg(demoboxBuffer, img_psycho, 0, 0);
  subtractFrom(demoboxBuffer, rstart, gstart, bstart);
}

void advancePsycho() {
  advanceStarts(kPsychoSpeeds);
  // Both ways of drawing leave the box keyed on magenta.
  if (img_psycho && demoboxBuffer) keyMagenta(demoboxBuffer);
}

void advanceNegFilter() {
  advanceStarts(kFlashSpeeds);
  // The next colour-cycling frame sweeps again from the plain negative.
  rstart = gstart = bstart = 255;
}

void negFilter(SDL_Surface* surface) {
  advanceNegFilter();
  subtractFrom(surface, 255, 255, 255);
}
