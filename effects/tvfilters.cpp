#include "effects/tvfilters.h"

#include <SDL/sge.h>

#include <cstdint>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "demo/main.h"
#include "render/extra.h"
#include "render/gfx.h"
#include "render/random.h"

SDL_Surface* tmpBuffer;

namespace tvfilters::detail {
int draw, offset_y, tvOffset_y;
}

using tvfilters::detail::draw;
using tvfilters::detail::offset_y;
using tvfilters::detail::tvOffset_y;

namespace {
// --- box geometry ---
constexpr int kW = 200, kH = 150;
constexpr int kSeamRows = 5;  // source rows left out where the picture wraps

// --- noise levels of the current call (noiseLevels) ---
Uint32 levels[256];  // the word of grey n, n = 0..255
// The words are levelBase + n·levelStep for every n (true of any format
// whose channels are whole bytes), so they can be worked out instead of
// looked up: SSE2 has no gather.
bool levelsInStep = false;
Uint32 levelBase = 0, levelStep = 0;
// draw % density by 16-bit lanes: q = mulhi(draw, magic) >> magicShift,
// remainder draw - q·divisor, then cut to a byte by levelMask (0 when the
// density is 1 and every remainder is 0).
uint16_t magic = 0, magicShift = 0, divisor = 0, levelMask = 0;
int levelDensity = 1;
}  // namespace

namespace tvfilters::detail {
void noiseLevels(int density, const Uint32* grey) {
  levelDensity = density;
  for (int n = 0; n < 256; ++n) levels[n] = grey[n];
  levelBase = grey[0];
  levelStep = grey[1] - grey[0];
  levelsInStep = true;
  for (int n = 0; n < 256; ++n)
    if (grey[n] != levelBase + static_cast<Uint32>(n) * levelStep) levelsInStep = false;

  // For 2 <= d <= 2^15, with l the least such that d <= 2^l: magic =
  // ceil(2^(15+l) / d) exceeds 2^(15+l) / d by e/d, e < d, so for a draw
  // r = q·d + t below 2^15, r·magic / 2^(15+l) = q + (t + r·e / 2^(15+l)) / d
  // where r·e / 2^(15+l) < d / 2^l <= 1: the fraction stays below 1 and the
  // floor is q. magic < 2^16 as d > 2^(l-1) (d = 2^l gives 2^15). Above 2^15
  // no draw reaches the density: quotient 0, remainder the draw.
  levelMask = density == 1 ? 0 : 0xFF;
  magic = magicShift = divisor = 0;
  if (density >= 2 && density <= 32768) {
    int l = 1;
    while ((1 << l) < density) ++l;
    const uint32_t scale = uint32_t{1} << (15 + l);
    magic = static_cast<uint16_t>((scale + static_cast<uint32_t>(density) - 1) /
                                  static_cast<uint32_t>(density));
    magicShift = static_cast<uint16_t>(l - 1);
    divisor = static_cast<uint16_t>(density);
  }
}

void noiseRow(Uint32* row, const int* draws, int n) {
  int x = 0;
#if defined(__SSE2__)
  if (levelsInStep) {
    const __m128i m = _mm_set1_epi16(static_cast<short>(magic));
    const __m128i shift = _mm_cvtsi32_si128(magicShift);
    const __m128i d = _mm_set1_epi16(static_cast<short>(divisor));
    const __m128i mask = _mm_set1_epi16(static_cast<short>(levelMask));
    const __m128i stepLo = _mm_set1_epi16(static_cast<short>(levelStep & 0xFFFF));
    const __m128i stepHi = _mm_set1_epi16(static_cast<short>(levelStep >> 16));
    const __m128i base = _mm_set1_epi32(static_cast<int>(levelBase));
    for (; x + 8 <= n; x += 8) {
      // Draws are below 2^15, so the signed pack keeps them whole.
      const __m128i r = _mm_packs_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(draws + x)),
                                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(draws + x + 4)));
      const __m128i q = _mm_srl_epi16(_mm_mulhi_epu16(r, m), shift);
      const __m128i level = _mm_and_si128(_mm_sub_epi16(r, _mm_mullo_epi16(q, d)), mask);
      // level·step modulo 2^32 from 16-bit halves: the low half of
      // level·stepLo, and above it the high half plus the low half of
      // level·stepHi (what carries beyond 32 bits is dropped anyway).
      const __m128i lo = _mm_mullo_epi16(level, stepLo);
      const __m128i hi = _mm_add_epi16(_mm_mulhi_epu16(level, stepLo), _mm_mullo_epi16(level, stepHi));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x),
                       _mm_add_epi32(_mm_unpacklo_epi16(lo, hi), base));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x + 4),
                       _mm_add_epi32(_mm_unpackhi_epi16(lo, hi), base));
    }
  }
#endif
  for (; x < n; ++x) row[x] = levels[static_cast<Uint8>(draws[x] % levelDensity)];
}
}  // namespace tvfilters::detail

void tvFilter(int density) {
  if (density < 1) density = 1;  // one grey level rather than a division by zero
  // Each grey level mapped once a frame rather than once a pixel; on a
  // 32-bit buffer the mapped words are stored directly (what drawPixel does).
  Uint32 grey[256];
  Uint32* pixels = nullptr;
  if (demoboxBuffer) {
    for (int n = 0; n < 256; ++n) grey[n] = SDL_MapRGB(demoboxBuffer->format, n, n, n);
    if (demoboxBuffer->format->BytesPerPixel == 4 && demoboxBuffer->w >= kW &&
        demoboxBuffer->h >= kH) {
      pixels = static_cast<Uint32*>(demoboxBuffer->pixels);
      tvfilters::detail::noiseLevels(density, grey);
    }
  }
  for (int y = 0; y < kH; ++y) {
    // `draw` is raised only after a row, so a full row needs the row before
    // it to have ended: row 0 of the very first call gets just the line.
    if (y % 3 != 0) draw = 0;
    // One random number per pixel, used or not, keeps the sequence fixed.
    int draws[kW];
    showRandFill(draws, kW);
    if (pixels) {
      Uint32* row = pixels + y * demoboxBuffer->pitch / 4;
      if (draw)
        tvfilters::detail::noiseRow(row, draws, kW);
      else if (offset_y >= 0 && offset_y < kW)
        tvfilters::detail::noiseRow(row + offset_y, draws + offset_y, 1);
    } else {
      for (int x = 0; x < kW; ++x) {
        if (draw == 0 && x != offset_y) continue;
        const Uint8 n = static_cast<Uint8>(draws[x] % density);
        drawPixel(demoboxBuffer, x, y, n, n, n);
      }
    }
    draw = 1;
  }
  if (++offset_y > kW) offset_y = showRand() % kW;
}

void offsetTv() {
  // The remainder keeps any step, however large, inside the box.
  int64_t rolled = (static_cast<int64_t>(tvOffset_y) + toInt(dt * 1.5)) % kH;
  if (rolled < 0) rolled += kH;
  tvOffset_y = static_cast<int>(rolled);
  const int o = tvOffset_y;
  if (!demoboxBuffer || !tmpBuffer) return;

  // The work surface starts black each frame: rows 151-o..154-o (to row 149
  // when o <= 5) get no copy, and must not show what an earlier frame left.
  Uint32 black = SDL_MapRGB(tmpBuffer->format, 0, 0, 0);
  SDL_FillRect(tmpBuffer, nullptr, black);
  // Rows o..149 to the top; rows 0..o-6 below the seam, from row 155-o.
  drawImg2(tmpBuffer, demoboxBuffer, 0, 0, kW, kH - o, 0, o);
  if (o > kSeamRows)
    drawImg2(tmpBuffer, demoboxBuffer, 0, kH + kSeamRows - o, kW, o - kSeamRows, 0, 0);
  // The bar: rows 145-o..150-o, corners inclusive.
  sge_FilledRect(tmpBuffer, 0, static_cast<Sint16>(kH - kSeamRows - o), kW,
                 static_cast<Sint16>(kH - o), black);
  drawImg(demoboxBuffer, tmpBuffer, 0, 0);
}
