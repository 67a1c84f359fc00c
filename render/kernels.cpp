#include "render/kernels.h"

#include <cstdint>

// The AVX2 forms are compiled for that processor alone and chosen at run
// time, so the program still runs on any x86-64.
#if defined(__SSE2__) && defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define PLUPP_AVX2 1
#include <immintrin.h>
#endif

namespace {
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

}  // namespace

namespace kernels {
bool pictureOnDisplay(const SDL_PixelFormat* sf, const SDL_PixelFormat* df) {
  return sf->Rshift == 0 && sf->Gshift == 8 && sf->Bshift == 16 && sf->Ashift == 24 &&
         df->Rshift == 16 && df->Gshift == 8 && df->Bshift == 0;
}

void blendRow(const Uint32* s, Uint32* d, int w, const SDL_PixelFormat* sf,
              const SDL_PixelFormat* df) {
  if (pictureOnDisplay(sf, df))
    blendPictureRow(s, d, w);
  else
    blendPixels(s, d, w,
                AnyShifts{sf->Rshift, sf->Gshift, sf->Bshift, sf->Ashift, df->Rshift, df->Gshift,
                          df->Bshift});
}

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

void blendPictureRowScalar(const Uint32* s, Uint32* d, int w) {
  blendPixels(s, d, w, PictureOnDisplay{});
}

void blendPictureRow(const Uint32* s, Uint32* d, int w) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), alphaMask = _mm_set1_epi32(int(0xFF000000u));
  // A row that does not end on a whole four ends with its last four, worked
  // out before anything is stored (a blend reads what it covers): the pixels
  // shared with the last whole four get the same words.
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
    // The row's last four are worked out before any store,
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

// The keyed copies word by word, the twins the tests hold keyRow and
// keyRowFill to.
void keyRowScalar(const Uint32* s, Uint32* d, int w, Uint32 key, Uint32 rgb) {
  for (int x = 0; x < w; ++x) d[x] = s[x] != key ? s[x] & rgb : d[x];
}

void keyRowFillScalar(const Uint32* s, Uint32* d, int w, Uint32 key, Uint32 rgb, Uint32 fill) {
  for (int x = 0; x < w; ++x) d[x] = s[x] != key ? s[x] & rgb : fill;
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
}  // namespace kernels