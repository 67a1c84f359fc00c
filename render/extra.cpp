#include "render/extra.h"

#include <SDL/sge.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// The AVX2 forms are compiled for that processor alone and chosen at run
// time, so the program still runs on any x86-64.
#if defined(__SSE2__) && defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define PLUPP_AVX2 1
#include <immintrin.h>
#endif

#ifndef NDEBUG
void pixelOutOfBounds(const SDL_Surface* s, int x, int y, const char* where) {
  std::fprintf(stderr, "PIXEL OUT OF BOUNDS in %s: (%d, %d) on a %dx%d surface\n", where, x, y,
               s->w, s->h);
  std::abort();
}
#endif

namespace {
// --- run tables of pictures blended by their alpha ---
// Each row of a kept picture cut into runs: fully transparent stretches long
// enough to be worth skipping are left out, long fully opaque ones are drawn
// without looking at alpha, and the rest go through the blend that tests
// every group. Kept in order of the surface's address for a binary search.
// Every kept picture holds one reference of its surface, so the surface
// cannot be freed (and its address handed to another) while its table lives.
struct AlphaRun {
  int from, to;  // pixels [from, to) of the row
  int at;        // where the run's pixels start in `pixels` of its table
  bool opaque;
};
struct AlphaRuns {
  SDL_Surface* picture;
  // What the table was cut for: a surface whose size or pixels moved since
  // draws without it.
  const void* at;
  int w, h, pitch;
  std::vector<int> rowStart;  // row y's runs are runs[rowStart[y]] up to runs[rowStart[y + 1]]
  std::vector<AlphaRun> runs;
  // The runs' pixels one after another: drawing reads them in this order,
  // a stream the cache fetches ahead of, where rows of the surface left
  // the transparent stretches between them.
  std::vector<Uint32> pixels;
};
std::vector<AlphaRuns> keptRuns;

// How blitSurface draws a pair of surfaces.
enum class BlitKind { kSdl, kCopy, kKey, kAlpha, kFrom24 };

// Red, green and blue each a whole byte, alpha a whole byte or none; no palette.
bool byteChannels(const SDL_PixelFormat* f) {
  return (f->BytesPerPixel == 4 || f->BytesPerPixel == 3) && !f->palette && f->Rloss == 0 &&
         f->Gloss == 0 && f->Bloss == 0 && f->Rmask == Uint32{0xFF} << f->Rshift &&
         f->Gmask == Uint32{0xFF} << f->Gshift && f->Bmask == Uint32{0xFF} << f->Bshift &&
         (f->Amask == 0 || f->Amask == Uint32{0xFF} << f->Ashift);
}

// Done here: byte-channel surfaces, the destination 32-bit without alpha, no
// RLE, nothing to lock, not the same surface (rows could overlap); either a
// 32-bit source of the destination's format without alpha (copy or colour
// key), a 32-bit source with per-pixel alpha, no key and full surface alpha
// (the blend), or a plain 24-bit source (the conversion). Anything else goes
// to SDL.
BlitKind kindOf(const SDL_Surface* src, const SDL_Surface* dst) {
  const SDL_PixelFormat *s = src->format, *d = dst->format;
  if (src == dst || !byteChannels(s) || !byteChannels(d) || d->BytesPerPixel != 4 ||
      d->Amask != 0 || (src->flags & (SDL_RLEACCEL | SDL_RLEACCELOK)) || SDL_MUSTLOCK(src) ||
      SDL_MUSTLOCK(dst) || src->locked || dst->locked || !src->pixels || !dst->pixels)
    return BlitKind::kSdl;
  if (s->BytesPerPixel == 3)
    return SDL_BYTEORDER == SDL_LIL_ENDIAN && s->Amask == 0 &&
                   !(src->flags & (SDL_SRCALPHA | SDL_SRCCOLORKEY))
               ? BlitKind::kFrom24
               : BlitKind::kSdl;
  // Per-pixel alpha in the destination's own channel places SDL blends with
  // blitters of its own, which round otherwise; those stay SDL's.
  if (src->flags & SDL_SRCALPHA)
    return s->Amask != 0 && s->alpha == SDL_ALPHA_OPAQUE && !(src->flags & SDL_SRCCOLORKEY) &&
                   !(s->Rmask == d->Rmask && s->Gmask == d->Gmask && s->Bmask == d->Bmask)
               ? BlitKind::kAlpha
               : BlitKind::kSdl;
  if (s->Amask != 0 || s->Rmask != d->Rmask || s->Gmask != d->Gmask || s->Bmask != d->Bmask)
    return BlitKind::kSdl;
  return src->flags & SDL_SRCCOLORKEY ? BlitKind::kKey : BlitKind::kCopy;
}

// SDL's blend of a source pixel with per-pixel alpha over a destination
// pixel without: skipped at alpha 0, else each channel d += ((s - d)·a +
// 255) >> 8 in unsigned arithmetic, the channels put back by shifts with
// nothing masked. Where s < d the wrapped value leaves a 1 above the channel,
// which for the lowest channel lands in the unused byte; kept, since the
// whole word is what SDL writes. The shifts are copied out of the formats
// first (the stores through d could otherwise alias them), and for the usual
// pair of formats are constants.
template <typename Shifts>
void blendPixels(const Uint32* s, Uint32* d, int w, Shifts k) {
  for (int x = 0; x < w; ++x) {
    const Uint32 p = s[x];
    const unsigned a = (p >> k.sA) & 0xFF;
    if (a == 0) continue;
    const Uint32 q = d[x];
    unsigned dR = (q >> k.dR) & 0xFF, dG = (q >> k.dG) & 0xFF, dB = (q >> k.dB) & 0xFF;
    const unsigned sR = (p >> k.sR) & 0xFF, sG = (p >> k.sG) & 0xFF, sB = (p >> k.sB) & 0xFF;
    dR = (((sR - dR) * a + 255) >> 8) + dR;
    dG = (((sG - dG) * a + 255) >> 8) + dG;
    dB = (((sB - dB) * a + 255) >> 8) + dB;
    d[x] = dR << k.dR | dG << k.dG | dB << k.dB;
  }
}

// Shifts of both formats, read at run time.
struct AnyShifts {
  unsigned sR, sG, sB, sA, dR, dG, dB;
};
// The pairing the show blits most: pictures loaded with alpha (bytes R, G,
// B, A in memory) onto the display (0x00RRGGBB); fixed shifts let the
// compiler drop the shift-by-register steps.
struct PictureOnDisplay {
  static constexpr unsigned sR = 0, sG = 8, sB = 16, sA = 24, dR = 16, dG = 8, dB = 0;
};

#if defined(__SSE2__)
// Red and blue of four pictures' pixels swapped: 0xAABBGGRR to 0xGGRRAABB,
// so bytes 0 and 2 (under the mask 0x00FF00FF) hold blue and red in the
// display's places.
inline __m128i turnHalves(__m128i sp) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(sp, _MM_SHUFFLE(2, 3, 0, 1)),
                             _MM_SHUFFLE(2, 3, 0, 1));
}

// The stray bit of each word: 1 at bit 24 where blue dropped from d to r.
inline __m128i strayBits(__m128i r, __m128i dp) {
  return _mm_min_epu8(_mm_slli_epi32(_mm_subs_epu8(dp, r), 24), _mm_set1_epi32(0x01000000));
}

// Four pictures' pixels (bytes R, G, B, A) over four of the display
// (0x00RRGGBB), each at its own alpha. The scalar blend's unsigned wrap is
// a floor division in disguise: its step is ⌊((s - d)·a + 255) / 256⌋ for
// either sign of s - d, so the channel is ⌊(256·d + (s - d)·a + 255) / 256⌋,
// a numerator between 0 and 65535. 16-bit lanes worked modulo 2^16 give it
// exactly, even where (s - d)·a alone wraps, and the result is the lane's
// high byte. Each word is worked as two pairs of lanes: blue and red (its
// bytes 0 and 2), then green and the unused byte (bytes 1 and 3, the
// latter junk). The stray 1 goes where blue came out below d, exactly
// where the scalar step was negative and so wrapped.
inline __m128i blendFour(__m128i sp, __m128i dp) {
  const __m128i low = _mm_set1_epi32(0x00FF00FF);
  const __m128i s0 = _mm_and_si128(turnHalves(sp), low), s1 = _mm_srli_epi16(sp, 8);
  // Alpha (s1's upper lane) into both lanes of its word.
  const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s1, _MM_SHUFFLE(3, 3, 1, 1)),
                                        _MM_SHUFFLE(3, 3, 1, 1));
  const __m128i d0 = _mm_and_si128(dp, low), d1 = _mm_srli_epi16(dp, 8);
  // 256·d + 255 in each lane: d's byte moved up (or left there) over 0xFF.
  const __m128i up0 = _mm_or_si128(_mm_slli_epi16(dp, 8), low), up1 = _mm_or_si128(dp, low);
  const __m128i r0 = _mm_add_epi16(up0, _mm_mullo_epi16(_mm_sub_epi16(s0, d0), a));
  const __m128i r1 = _mm_add_epi16(up1, _mm_mullo_epi16(_mm_sub_epi16(s1, d1), a));
  const __m128i r =
      _mm_or_si128(_mm_srli_epi16(r0, 8), _mm_and_si128(r1, _mm_set1_epi32(0x0000FF00)));
  return _mm_or_si128(r, strayBits(r, dp));
}

// The same at alpha 255 for all four, where no multiply is needed: the
// step ⌊(s - d + 1)·255 / 256⌋ is s - d where s >= d but s - d + 1 where
// s < d, so each channel becomes s, or s + 1 where s < d. That is
// min(s + 1, max(s, d)), s + 1 saturating at 255 where it is never taken.
inline __m128i opaqueFour(__m128i sp, __m128i dp) {
  // 0x00RRGGBB, alpha dropped.
  const __m128i s = _mm_or_si128(_mm_and_si128(turnHalves(sp), _mm_set1_epi32(0x00FF00FF)),
                                 _mm_and_si128(sp, _mm_set1_epi32(0x0000FF00)));
  // The unused byte gets no +1, so it stays 0 through the min.
  const __m128i up = _mm_adds_epu8(s, _mm_set1_epi32(0x00010101));
  const __m128i r = _mm_min_epu8(up, _mm_max_epu8(s, dp));
  return _mm_or_si128(r, strayBits(r, dp));
}
#endif

// The pairing blendPictureRow and opaqueRow are written for.
bool pictureOnDisplay(const SDL_PixelFormat* sf, const SDL_PixelFormat* df) {
  return sf->Rshift == 0 && sf->Gshift == 8 && sf->Bshift == 16 && sf->Ashift == 24 &&
         df->Rshift == 16 && df->Gshift == 8 && df->Bshift == 0;
}

void blendRow(const Uint32* s, Uint32* d, int w, const SDL_PixelFormat* sf,
              const SDL_PixelFormat* df) {
  if (pictureOnDisplay(sf, df))
    extra::detail::blendPictureRow(s, d, w);
  else
    blendPixels(s, d, w,
                AnyShifts{sf->Rshift, sf->Gshift, sf->Bshift, sf->Ashift, df->Rshift, df->Gshift,
                          df->Bshift});
}

// SDL's conversion of a 24-bit pixel (three bytes, lowest first) to a 32-bit
// one without alpha: the channels moved to their places, the unused byte zero.
// Red, green, blue bytes in memory to 0x00RRGGBB words: the pairing of a
// 24-bit picture file with the display.
bool rgbBytesToWords(const SDL_PixelFormat* sf, const SDL_PixelFormat* df) {
  return sf->Rmask == 0x0000FF && sf->Gmask == 0x00FF00 && sf->Bmask == 0xFF0000 &&
         df->Rmask == 0xFF0000 && df->Gmask == 0x00FF00 && df->Bmask == 0x0000FF;
}

void convertRow24(const Uint8* s, Uint32* d, int w, const SDL_PixelFormat* sf,
                  const SDL_PixelFormat* df) {
  int x = 0;
#if defined(__SSE2__)
  if (rgbBytesToWords(sf, df)) {
    // Four pixels from a 16-byte load (so 4 bytes past the fourth must lie
    // in the row): each 3-byte pixel moved to its own word, then red and
    // blue swapped and the top byte cleared.
    const __m128i green = _mm_set1_epi32(0x00FF00), red = _mm_set1_epi32(0xFF0000);
    const __m128i blue = _mm_set1_epi32(0x0000FF);
    for (; 3 * x + 16 <= 3 * w; x += 4, s += 12) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
      const __m128i p01 = _mm_unpacklo_epi32(v, _mm_srli_si128(v, 3));
      const __m128i p23 = _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9));
      const __m128i p = _mm_unpacklo_epi64(p01, p23);
      const __m128i out = _mm_or_si128(_mm_and_si128(p, green),
                                       _mm_or_si128(_mm_and_si128(_mm_slli_epi32(p, 16), red),
                                                    _mm_and_si128(_mm_srli_epi32(p, 16), blue)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), out);
    }
  }
#endif
  const unsigned sRs = sf->Rshift, sGs = sf->Gshift, sBs = sf->Bshift;
  const unsigned dRs = df->Rshift, dGs = df->Gshift, dBs = df->Bshift;
  for (; x < w; ++x, s += 3) {
    const Uint32 p = Uint32{s[0]} | Uint32{s[1]} << 8 | Uint32{s[2]} << 16;
    d[x] = ((p >> sRs) & 0xFF) << dRs | ((p >> sGs) & 0xFF) << dGs | ((p >> sBs) & 0xFF) << dBs;
  }
}

// keyRow's body, for blitSurface to take in line: its rows are often a
// letter's or a snowflake's few pixels, where a call and the setting up of
// the constants would cost as much as the copy.
inline void keyWords(const Uint32* s, Uint32* d, int w, Uint32 key, Uint32 rgb) {
  int x = 0;
#if defined(__SSE2__)
  if (w >= 4) {
    const __m128i keys = _mm_set1_epi32(int(key)), colour = _mm_set1_epi32(int(rgb));
    const auto four = [&](int at) {
      const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
      const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + at));
      const __m128i keyed = _mm_cmpeq_epi32(sp, keys);
      return _mm_or_si128(_mm_and_si128(keyed, dp),
                          _mm_andnot_si128(keyed, _mm_and_si128(sp, colour)));
    };
    // The last few pixels come as the row's last four, worked out before
    // anything is stored: the pixels they share with the last whole four
    // get the same words twice, and no read waits on a store it overlaps.
    const __m128i last = four(w - 4);
    for (; x + 4 <= w; x += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), four(x));
    if (x < w) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + w - 4), last);
    return;
  }
#endif
  for (; x < w; ++x) d[x] = s[x] != key ? s[x] & rgb : d[x];
}

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

namespace extra::detail {
void blendPictureRowScalar(const Uint32* s, Uint32* d, int w) {
  blendPixels(s, d, w, PictureOnDisplay{});
}

void blendPictureRow(const Uint32* s, Uint32* d, int w) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), alphaMask = _mm_set1_epi32(int(0xFF000000u));
  // A row that does not end on a whole four ends with its last four, worked
  // out before anything is stored (as in keyWords; a blend reads what it
  // covers): the pixels shared with the last whole four get the same words.
  const bool overlapEnd = w > 4 && w % 4 != 0;
  __m128i last = zero;
  if (overlapEnd) {
    const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + w - 4));
    const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + w - 4));
    const __m128i clear = _mm_cmpeq_epi32(_mm_and_si128(sp, alphaMask), zero);
    last = _mm_or_si128(_mm_and_si128(clear, dp), _mm_andnot_si128(clear, blendFour(sp, dp)));
  }
  for (; x + 4 <= w; x += 4) {
    const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x));
    const __m128i alpha = _mm_and_si128(sp, alphaMask);
    const __m128i clear = _mm_cmpeq_epi32(alpha, zero);
    const int clearBits = _mm_movemask_epi8(clear);
    // Runs of clear pixels (most of a sprite's box) cost a load and a test.
    if (clearBits == 0xFFFF) continue;
    const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + x));
    // Pictures are mostly alpha 0 or 255; only groups with anything between
    // need the multiplies, and only groups with clear pixels the select.
    const int opaqueBits = _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, alphaMask));
    if (opaqueBits == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), opaqueFour(sp, dp));
      continue;
    }
    const __m128i blended =
        (opaqueBits | clearBits) == 0xFFFF ? opaqueFour(sp, dp) : blendFour(sp, dp);
    // Clear pixels keep the whole word, unused byte included.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x),
                     _mm_or_si128(_mm_and_si128(clear, dp), _mm_andnot_si128(clear, blended)));
  }
  if (overlapEnd) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + w - 4), last);
    return;
  }
#endif
  blendPictureRowScalar(s + x, d + x, w - x);
}

// SDL's blend at alpha 255 of pixels already in the display's order, each
// step worked as blendPixels works it (so with the same stray bit).
void opaqueRowScalar(const Uint32* rgb, Uint32* d, int w) {
  for (int x = 0; x < w; ++x) {
    const Uint32 p = rgb[x], q = d[x];
    unsigned dR = (q >> 16) & 0xFF, dG = (q >> 8) & 0xFF, dB = q & 0xFF;
    dR = (((((p >> 16) & 0xFF) - dR) * 255 + 255) >> 8) + dR;
    dG = (((((p >> 8) & 0xFF) - dG) * 255 + 255) >> 8) + dG;
    dB = ((((p & 0xFF) - dB) * 255 + 255) >> 8) + dB;
    d[x] = dR << 16 | dG << 8 | dB;
  }
}

void opaqueRow(const Uint32* rgb, Uint32* d, int w) {
#if defined(__SSE2__)
  if (w >= 4) {
    // opaqueFour without its first steps: the colours are in place already.
    const __m128i one = _mm_set1_epi32(0x00010101);
    const auto four = [&](int at) {
      const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgb + at));
      const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + at));
      const __m128i r = _mm_min_epu8(_mm_adds_epu8(s, one), _mm_max_epu8(s, dp));
      return _mm_or_si128(r, strayBits(r, dp));
    };
    // As in keyWords: the row's last four are worked out before any store,
    // so the pixels they share with the last whole four read the words as
    // they were (the blend of a pixel depends on what lay under it).
    const __m128i last = four(w - 4);
    int x = 0;
    for (; x + 4 <= w; x += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), four(x));
    if (x < w) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + w - 4), last);
    return;
  }
#endif
  opaqueRowScalar(rgb, d, w);
}

// The keyed copy: words equal to the key leave the destination as it is,
// the rest arrive with only the colour bits. Keyed pixels rewrite what is
// there, so neither loop needs a branch.
void keyRowScalar(const Uint32* s, Uint32* d, int w, Uint32 key, Uint32 rgb) {
  for (int x = 0; x < w; ++x) d[x] = s[x] != key ? s[x] & rgb : d[x];
}

void keyRow(const Uint32* s, Uint32* d, int w, Uint32 key, Uint32 rgb) {
  keyWords(s, d, w, key, rgb);
}

// whiteOver's lift for channels at bits 0, 8 and 16, the unused byte zero.
void whiteRowScalar(Uint32* row, int w, Uint8 alpha) {
  // The two outer channels in one word: each product (255 - v)·alpha < 2^16
  // keeps to its own 16-bit lane, and the lifted values never carry past 255.
  const Uint32 a = alpha;
  for (int x = 0; x < w; ++x) {
    const Uint32 outer = row[x] & 0x00FF00FF, middle = (row[x] >> 8) & 0xFF;
    const Uint32 liftedOuter = outer + ((((0x00FF00FF - outer) * a) >> 8) & 0x00FF00FF);
    const Uint32 liftedMiddle = middle + (((0xFF - middle) * a) >> 8);
    row[x] = liftedOuter | liftedMiddle << 8;
  }
}

#if defined(PLUPP_AVX2)
namespace {
bool detectAvx2() {
  __builtin_cpu_init();  // may run before the library's own start-up code
  return __builtin_cpu_supports("avx2");
}

// whiteRow's lift (below) eight pixels at a time.
__attribute__((target("avx2"))) inline __m256i liftEight(__m256i p, __m256i colour, __m256i high,
                                                         __m256i a, __m256i aHigh) {
  const __m256i v = _mm256_and_si256(p, colour);
  const __m256i n = _mm256_xor_si256(v, colour);
  const __m256i lows = _mm256_mulhi_epu16(_mm256_slli_epi16(n, 8), a);
  const __m256i highs =
      _mm256_and_si256(_mm256_mulhi_epu16(_mm256_and_si256(n, high), aHigh), high);
  return _mm256_add_epi8(_mm256_add_epi8(v, lows), highs);
}

// The pixels of the row's whole sixteens; returns how many that was.
__attribute__((target("avx2"))) int whiteRowAvx2(Uint32* row, int w, Uint8 alpha) {
  const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
  const __m256i high = _mm256_set1_epi16(int16_t(0xFF00)), a = _mm256_set1_epi16(alpha),
                aHigh = _mm256_set1_epi16(int16_t(alpha << 8));
  int x = 0;
  for (; x + 16 <= w; x += 16) {
    __m256i* const at = reinterpret_cast<__m256i*>(row + x);
    const __m256i p0 = _mm256_loadu_si256(at), p1 = _mm256_loadu_si256(at + 1);
    _mm256_storeu_si256(at, liftEight(p0, colour, high, a, aHigh));
    _mm256_storeu_si256(at + 1, liftEight(p1, colour, high, a, aHigh));
  }
  return x;
}
}  // namespace

bool useAvx2 = detectAvx2();
#else
bool useAvx2 = false;
#endif

void whiteRow(Uint32* row, int w, Uint8 alpha) {
  int x = 0;
#if defined(PLUPP_AVX2)
  // The lift is bound by its multiplies, not by memory: at twice the width
  // a full-screen pass costs about 1.1 frame copies instead of 2.2.
  if (alpha != 0 && useAvx2) x = whiteRowAvx2(row, w, alpha);
  row += x;
  w -= x;
  x = 0;
#endif
#if defined(__SSE2__)
  const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
  if (alpha == 0) {
    // Only the unused byte changes: it is cleared. The screen has it set on
    // scattered pixels, mostly in clusters (a blend's carry); a test per
    // vector mispredicted at each one (it cost twice a frame copy), so the
    // test is made per 16 pixels (64 bytes), and those are written only
    // where one of them has it set.
    const __m128i unused = _mm_set1_epi32(int(0xFF000000u)), zero = _mm_setzero_si128();
    const auto at = [&](int i) { return reinterpret_cast<__m128i*>(row + i); };
    for (; x + 16 <= w; x += 16) {
      const __m128i p0 = _mm_loadu_si128(at(x)), p1 = _mm_loadu_si128(at(x + 4)),
                    p2 = _mm_loadu_si128(at(x + 8)), p3 = _mm_loadu_si128(at(x + 12));
      const __m128i any = _mm_or_si128(_mm_or_si128(p0, p1), _mm_or_si128(p2, p3));
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(any, unused), zero)) != 0xFFFF) {
        _mm_storeu_si128(at(x), _mm_and_si128(p0, colour));
        _mm_storeu_si128(at(x + 4), _mm_and_si128(p1, colour));
        _mm_storeu_si128(at(x + 8), _mm_and_si128(p2, colour));
        _mm_storeu_si128(at(x + 12), _mm_and_si128(p3, colour));
      }
    }
    whiteRowScalar(row + x, w - x, alpha);
    return;
  }
  // The bytes stay where they are, two to a 16-bit lane, and the lift is
  // worked on n = 255 - v (the complement; 0 in the unused byte). A lane's
  // low n, moved up to the high byte, times alpha leaves n·alpha >> 8 as the
  // high half of the product; its high n in place times alpha << 8 leaves
  // n·alpha as the high half, whose upper byte is n·alpha >> 8 where it
  // belongs. Added to v neither carries past its byte. Two multiplies per
  // four pixels bound the loop; two vectors a turn spare some of its overhead.
  const __m128i high = _mm_set1_epi16(int16_t(0xFF00)), a = _mm_set1_epi16(alpha),
                aHigh = _mm_set1_epi16(int16_t(alpha << 8));
  auto lift = [&](__m128i p) {
    const __m128i v = _mm_and_si128(p, colour);
    const __m128i n = _mm_xor_si128(v, colour);
    const __m128i lows = _mm_mulhi_epu16(_mm_slli_epi16(n, 8), a);
    const __m128i highs = _mm_and_si128(_mm_mulhi_epu16(_mm_and_si128(n, high), aHigh), high);
    return _mm_add_epi8(_mm_add_epi8(v, lows), highs);
  };
  for (; x + 8 <= w; x += 8) {
    const __m128i p0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
    const __m128i p1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x + 4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), lift(p0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x + 4), lift(p1));
  }
  for (; x + 4 <= w; x += 4)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x),
                     lift(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x))));
#endif
  whiteRowScalar(row + x, w - x, alpha);
}
}  // namespace extra::detail

namespace {
// Runs this short are not worth leaving their neighbours for: a group of
// four or two costs less tested than a run's set-up.
constexpr int kShortestRun = 8;

// Where `picture`'s table is kept, or would go: the first table whose
// surface does not lie below it.
std::vector<AlphaRuns>::iterator placeOf(const SDL_Surface* picture) {
  return std::lower_bound(
      keptRuns.begin(), keptRuns.end(), picture,
      [](const AlphaRuns& r, const SDL_Surface* p) { return std::less<>()(r.picture, p); });
}

// The kept table of `picture` if it still fits the surface, else null.
const AlphaRuns* runsOf(const SDL_Surface* picture) {
  if (keptRuns.empty()) return nullptr;
  auto at = placeOf(picture);
  if (at == keptRuns.end() || at->picture != picture) return nullptr;
  if (at->at != picture->pixels || at->w != picture->w || at->h != picture->h ||
      at->pitch != picture->pitch)
    return nullptr;
  return &*at;
}

// Row y of the blit (w pixels from source column sx), run by run.
void blendRowByRuns(const AlphaRuns& table, int y, int sx, int w, Uint32* d) {
  const AlphaRun* run = table.runs.data() + table.rowStart[size_t(y)];
  const AlphaRun* const end = table.runs.data() + table.rowStart[size_t(y) + 1];
  const int stop = sx + w;
  for (; run != end && run->from < stop; ++run) {
    if (run->to <= sx) continue;
    const int from = run->from > sx ? run->from : sx, to = run->to < stop ? run->to : stop;
    const Uint32* s = table.pixels.data() + run->at + (from - run->from);
    if (run->opaque)
      extra::detail::opaqueRow(s, d + (from - sx), to - from);
    else
      extra::detail::blendPictureRow(s, d + (from - sx), to - from);
  }
}
}  // namespace

void keepAlphaRuns(SDL_Surface* picture) {
  if (!picture || !picture->pixels || SDL_MUSTLOCK(picture) || picture->w < 1 || picture->h < 1)
    return;
  const SDL_PixelFormat* f = picture->format;
  if (f->BytesPerPixel != 4 || f->Amask != Uint32{0xFF} << f->Ashift) return;
  auto at = placeOf(picture);
  if (at != keptRuns.end() && at->picture == picture) return;
  AlphaRuns table{picture, picture->pixels, picture->w, picture->h, picture->pitch, {}, {}, {}};
  table.rowStart.reserve(size_t(picture->h) + 1);
  std::vector<int> kind(size_t(picture->w));  // 0 clear, 1 opaque, 2 between
  for (int y = 0; y < picture->h; ++y) {
    table.rowStart.push_back(int(table.runs.size()));
    const Uint8* row = static_cast<const Uint8*>(picture->pixels) + y * picture->pitch;
    for (int x = 0; x < picture->w; ++x) {
      Uint32 p;
      std::memcpy(&p, row + x * 4, 4);
      const Uint32 a = (p & f->Amask) >> f->Ashift;
      kind[size_t(x)] = a == 0 ? 0 : a == 255 ? 1 : 2;
    }
    // Long clear stretches dropped, long opaque ones kept apart, everything
    // else gathered into runs for the tested blend.
    for (int x = 0; x < picture->w;) {
      int end = x;
      while (end < picture->w && kind[size_t(end)] == kind[size_t(x)]) ++end;
      const bool longRun = end - x >= kShortestRun;
      if (!(longRun && kind[size_t(x)] == 0)) {
        const bool opaque = longRun && kind[size_t(x)] == 1;
        const bool joins = !opaque && table.runs.size() > size_t(table.rowStart.back()) &&
                           !table.runs.back().opaque && table.runs.back().to == x;
        if (joins)
          table.runs.back().to = end;
        else
          table.runs.push_back({x, end, int(table.pixels.size()), opaque});
        // Opaque runs keep their colours in the display's order (0x00RRGGBB),
        // the rest the picture's words as they are.
        for (int i = x; i < end; ++i) {
          Uint32 p;
          std::memcpy(&p, row + i * 4, 4);
          if (opaque)
            p = ((p >> f->Rshift) & 0xFF) << 16 | ((p >> f->Gshift) & 0xFF) << 8 |
                ((p >> f->Bshift) & 0xFF);
          table.pixels.push_back(p);
        }
      }
      x = end;
    }
  }
  table.rowStart.push_back(int(table.runs.size()));
  ++picture->refcount;  // released by dropAlphaRuns
  keptRuns.insert(at, std::move(table));
}

void dropAlphaRuns() {
  std::vector<AlphaRuns> kept;
  kept.swap(keptRuns);
  for (AlphaRuns& r : kept) SDL_FreeSurface(r.picture);
}

bool blitsKeyedCopy(const SDL_Surface* src, const SDL_Surface* dst) {
  return src && dst && kindOf(src, dst) == BlitKind::kKey;
}

bool blitsPlainCopy(const SDL_Surface* src, const SDL_Surface* dst) {
  return src && dst && kindOf(src, dst) == BlitKind::kCopy;
}

bool blitsRgbBytesToWords(const SDL_Surface* src, const SDL_Surface* dst) {
  return src && dst && kindOf(src, dst) == BlitKind::kFrom24 &&
         rgbBytesToWords(src->format, dst->format);
}

int blitSurface(SDL_Surface* src, SDL_Rect* srcrect, SDL_Surface* dst, SDL_Rect* dstrect) {
  const BlitKind kind = src && dst ? kindOf(src, dst) : BlitKind::kSdl;
  if (kind == BlitKind::kSdl) return SDL_UpperBlit(src, srcrect, dst, dstrect);
  SDL_Rect whole = {0, 0, 0, 0};
  if (!dstrect) dstrect = &whole;
  int sx = 0, sy = 0;
  if (!clipBlit(src, srcrect, dst, dstrect, &sx, &sy)) return 0;
  const int w = dstrect->w, h = dstrect->h;
  const Uint8* from =
      static_cast<const Uint8*>(src->pixels) + sy * src->pitch + sx * src->format->BytesPerPixel;
  Uint8* to = static_cast<Uint8*>(dst->pixels) + dstrect->y * dst->pitch + dstrect->x * 4;
  if (kind == BlitKind::kFrom24) {
    for (int y = 0; y < h; ++y, from += src->pitch, to += dst->pitch)
      convertRow24(from, reinterpret_cast<Uint32*>(to), w, src->format, dst->format);
    return 0;
  }
  if (kind == BlitKind::kAlpha) {
    if (const AlphaRuns* table = runsOf(src); table && pictureOnDisplay(src->format, dst->format)) {
      for (int y = 0; y < h; ++y, to += dst->pitch)
        blendRowByRuns(*table, sy + y, sx, w, reinterpret_cast<Uint32*>(to));
      return 0;
    }
    for (int y = 0; y < h; ++y, from += src->pitch, to += dst->pitch)
      blendRow(reinterpret_cast<const Uint32*>(from), reinterpret_cast<Uint32*>(to), w, src->format,
               dst->format);
    return 0;
  }
  if (kind == BlitKind::kCopy) {
    // One format, no key: SDL copies the words as they are.
    for (int y = 0; y < h; ++y, from += src->pitch, to += dst->pitch)
      std::memcpy(to, from, size_t(w) * 4);
    return 0;
  }
  // With a key SDL compares the whole word (no alpha mask to leave out) and
  // writes the pixel's colour channels alone, the unused bits zero.
  const Uint32 key = src->format->colorkey;
  const Uint32 rgb = src->format->Rmask | src->format->Gmask | src->format->Bmask;
  for (int y = 0; y < h; ++y, from += src->pitch, to += dst->pitch)
    keyWords(reinterpret_cast<const Uint32*>(from), reinterpret_cast<Uint32*>(to), w, key, rgb);
  return 0;
}

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
      extra::detail::whiteRow(reinterpret_cast<Uint32*>(pixels + y * pitch), w, alpha);
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
