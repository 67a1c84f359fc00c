// Row kernels: the inner loops of the blitter, whiteOver and the effects that
// copy pixels themselves. Each fast one takes SSE2 where the machine has it
// (whiteRow AVX2 as well) and must leave every word as its scalar twin does;
// the tests hold each pair to that.
#pragma once
#include <SDL/SDL.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kernels {
// The alpha blend of pictures loaded with alpha (bytes R, G, B, A) onto the
// display (0x00RRGGBB), SDL's arithmetic to the bit.
void blendPictureRow(const Uint32* s, Uint32* d, int w);
void blendPictureRowScalar(const Uint32* s, Uint32* d, int w);
// The pairing blendPictureRow and opaqueRow are written for.
bool pictureOnDisplay(const SDL_PixelFormat* sf, const SDL_PixelFormat* df);
// The same blend between any two 32-bit formats of whole-byte channels, the
// source with alpha, the destination without; that pairing goes to
// blendPictureRow, any other reads its shifts from the formats.
void blendRow(const Uint32* s, Uint32* d, int w, const SDL_PixelFormat* sf,
              const SDL_PixelFormat* df);
// The same blend for a row of pixels all at alpha 255, their colours given
// in the display's order (0x00RRGGBB).
void opaqueRow(const Uint32* rgb, Uint32* d, int w);
void opaqueRowScalar(const Uint32* rgb, Uint32* d, int w);
// Red, green, blue bytes in memory to 0x00RRGGBB words: the pairing of a
// 24-bit picture file with the display, which convertRow24 takes four at a time.
bool rgbBytesToWords(const SDL_PixelFormat* sf, const SDL_PixelFormat* df);
// SDL's conversion of 24-bit pixels (three bytes, lowest first) to 32-bit
// words without alpha: the channels moved to their places, the unused byte
// zero.
void convertRow24(const Uint8* s, Uint32* d, int w, const SDL_PixelFormat* sf,
                  const SDL_PixelFormat* df);
// whiteOver on one row with channels at bits 0, 8 and 16.
void whiteRow(Uint32* row, int w, Uint8 alpha);
void whiteRowScalar(Uint32* row, int w, Uint8 alpha);
// Whether the kernels with an AVX2 form (whiteRow) use it: true where the
// processor has AVX2; tests turn it off to check the SSE2 form as well.
extern bool useAvx2;

// --- the colour-keyed copy, SDL's: words equal to `key` are left out, the
// rest arrive with only the colour bits (s & rgb) ---
// In line: its rows are often a letter's or a snowflake's few pixels, where a
// call and the setting up of the constants would cost as much as the copy.
#if defined(__SSE2__)
// Four words of the copy: lanes where s is the key keep `under`, the rest
// become s & colour.
inline __m128i keyFour(__m128i s, __m128i under, __m128i keys, __m128i colour) {
  const __m128i keyed = _mm_cmpeq_epi32(s, keys);
  return _mm_or_si128(_mm_and_si128(keyed, under),
                      _mm_andnot_si128(keyed, _mm_and_si128(s, colour)));
}
#endif

// Keyed words leave d as it is. s and d must not overlap. Reads of d come
// in fours from the row's left edge, then a word at a time: a row copied
// just before in fours from the same edge (a snowflake's strip of
// background) serves each read whole from one store, where a read across
// two stores would wait for both to reach the cache.
inline void keyRow(const Uint32* s, Uint32* d, int w, Uint32 key, Uint32 rgb) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i keys = _mm_set1_epi32(int(key)), colour = _mm_set1_epi32(int(rgb));
  for (; x + 4 <= w; x += 4)
    _mm_storeu_si128(
        reinterpret_cast<__m128i*>(d + x),
        keyFour(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x)),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + x)), keys, colour));
#endif
  for (; x < w; ++x) d[x] = s[x] != key ? s[x] & rgb : d[x];
}
void keyRowScalar(const Uint32* s, Uint32* d, int w, Uint32 key, Uint32 rgb);

// The copy onto a surface filled with `fill`: keyed words become `fill`.
// Nothing of d is read, so d may be s itself.
inline void keyRowFill(const Uint32* s, Uint32* d, int w, Uint32 key, Uint32 rgb, Uint32 fill) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i keys = _mm_set1_epi32(int(key)), colour = _mm_set1_epi32(int(rgb)),
                fills = _mm_set1_epi32(int(fill));
  for (; x + 4 <= w; x += 4)
    _mm_storeu_si128(
        reinterpret_cast<__m128i*>(d + x),
        keyFour(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x)), fills, keys, colour));
#endif
  for (; x < w; ++x) d[x] = s[x] != key ? s[x] & rgb : fill;
}
void keyRowFillScalar(const Uint32* s, Uint32* d, int w, Uint32 key, Uint32 rgb, Uint32 fill);
}  // namespace kernels
