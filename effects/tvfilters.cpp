#include "effects/tvfilters.h"

#include <SDL/sge.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "demo/state.h"
#include "render/extra.h"
#include "render/gfx.h"
#include "render/kernels.h"
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
      const __m128i r =
          _mm_packs_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(draws + x)),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(draws + x + 4)));
      const __m128i q = _mm_srl_epi16(_mm_mulhi_epu16(r, m), shift);
      const __m128i level = _mm_and_si128(_mm_sub_epi16(r, _mm_mullo_epi16(q, d)), mask);
      // level·step modulo 2^32 from 16-bit halves: the low half of
      // level·stepLo, and above it the high half plus the low half of
      // level·stepHi (what carries beyond 32 bits is dropped anyway).
      const __m128i lo = _mm_mullo_epi16(level, stepLo);
      const __m128i hi =
          _mm_add_epi16(_mm_mulhi_epu16(level, stepLo), _mm_mullo_epi16(level, stepHi));
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

namespace {
// The box's words when it is 32-bit and holds the 200×150 the noise covers,
// the grey levels of `density` made ready for noiseRow (each level mapped
// once, the words stored as drawPixel would); else null, and the noise goes
// pixel by pixel through noisePixel.
Uint32* noiseWords(int density) {
  if (!demoboxBuffer || demoboxBuffer->format->BytesPerPixel != 4 || demoboxBuffer->w < kW ||
      demoboxBuffer->h < kH)
    return nullptr;
  // Without a palette SDL_MapRGB is each channel cut by its loss and moved
  // to its place, with the alpha mask: worked out here, not called 256 times.
  // Channels wider than a byte have a "loss" that wrapped below zero, which
  // SDL shifts by as the processor does; those formats keep SDL's call.
  const SDL_PixelFormat* f = demoboxBuffer->format;
  const bool byLoss = !f->palette && f->Rloss < 8 && f->Gloss < 8 && f->Bloss < 8;
  Uint32 grey[256];
  for (int n = 0; n < 256; ++n)
    grey[n] = !byLoss ? SDL_MapRGB(f, Uint8(n), Uint8(n), Uint8(n))
                      : Uint32(n >> f->Rloss) << f->Rshift | Uint32(n >> f->Gloss) << f->Gshift |
                            Uint32(n >> f->Bloss) << f->Bshift | f->Amask;
  tvfilters::detail::noiseLevels(density, grey);
  return static_cast<Uint32*>(demoboxBuffer->pixels);
}

Uint32* noiseRowAt(Uint32* words, int y) { return words + y * demoboxBuffer->pitch / 4; }

// Grey v at (x, y) of a box in any format, where the box has that pixel.
void noisePixel(int x, int y, Uint8 v) {
  if (demoboxBuffer && x < demoboxBuffer->w && y < demoboxBuffer->h)
    drawPixel(demoboxBuffer, x, y, v, v, v);
}
}  // namespace

void noiseBox(int density) {
  if (density < 1) density = 1;
  Uint32* const words = noiseWords(density);
  // A row's numbers drawn in one go, in the order one a pixel would take them.
  int draws[kW];
  for (int y = 0; y < kH; ++y) {
    showRandFill(draws, kW);
    if (words)
      tvfilters::detail::noiseRow(noiseRowAt(words, y), draws, kW);
    else
      for (int x = 0; x < kW; ++x) noisePixel(x, y, static_cast<Uint8>(draws[x] % density));
  }
}

void tvFilter(int density) {
  if (density < 1) density = 1;  // one grey level rather than a division by zero
  Uint32* const words = noiseWords(density);
  for (int y = 0; y < kH; ++y) {
    // `draw` is raised only after a row, so a full row needs the row before
    // it to have ended: row 0 of the very first call gets just the line.
    if (y % 3 != 0) draw = 0;
    // One random number per pixel, used or not, keeps the sequence fixed.
    int draws[kW];
    showRandFill(draws, kW);
    if (words) {
      if (draw)
        tvfilters::detail::noiseRow(noiseRowAt(words, y), draws, kW);
      else if (offset_y >= 0 && offset_y < kW)
        tvfilters::detail::noiseRow(noiseRowAt(words, y) + offset_y, draws + offset_y, 1);
    } else {
      for (int x = 0; x < kW; ++x)
        if (draw != 0 || x == offset_y) noisePixel(x, y, static_cast<Uint8>(draws[x] % density));
    }
    draw = 1;
  }
  if (++offset_y > kW) offset_y = showRand() % kW;
}

void advanceTvFilter() {
  showRandSkip(kW * kH);
  // Every row of tvFilter ends by raising it.
  draw = 1;
  if (++offset_y > kW) offset_y = showRand() % kW;
}

bool noiseCoversBox() {
  // noiseBox's word by word way, which writes all 200×150 words.
  return demoboxBuffer && demoboxBuffer->pixels && demoboxBuffer->format->BytesPerPixel == 4 &&
         demoboxBuffer->w == kW && demoboxBuffer->h == kH;
}

namespace {
// Surfaces the roll can move in place: 32-bit, byte channels in the same
// places, no alpha, nothing to lock or decode, whole clip rectangles, the
// box's size. On these the blits below reduce to the copies of rollInPlace
// (a plain copy, or with demoboxBuffer's key set the keyed copy that leaves
// the black underneath); anything else keeps the blits.
bool rollsInPlace(const SDL_Surface* s, const SDL_PixelFormat* like) {
  const SDL_PixelFormat* f = s->format;
  const SDL_Rect& c = s->clip_rect;
  return s->w == kW && s->h == kH && s->pixels && !s->locked && !SDL_MUSTLOCK(s) &&
         !(s->flags & (SDL_SRCALPHA | SDL_RLEACCEL | SDL_RLEACCELOK)) && f->BytesPerPixel == 4 &&
         !f->palette && f->Amask == 0 && f->Rloss == 0 && f->Gloss == 0 && f->Bloss == 0 &&
         f->Rmask == Uint32{0xFF} << f->Rshift && f->Gmask == Uint32{0xFF} << f->Gshift &&
         f->Bmask == Uint32{0xFF} << f->Bshift && f->Rmask == like->Rmask &&
         f->Gmask == like->Gmask && f->Bmask == like->Bmask && c.x == 0 && c.y == 0 && c.w == kW &&
         c.h == kH;
}

// A source row as the blit onto the black work surface leaves it: with a
// key, keyed pixels stay black and the others lose the bits outside the
// colour channels.
void rollRow(Uint32* to, const Uint32* from, bool keyed, Uint32 key, Uint32 rgb, Uint32 black) {
  if (!keyed) {
    std::memcpy(to, from, kW * sizeof(Uint32));
    return;
  }
  kernels::keyRowFill(from, to, kW, key, rgb, black);
}

// The roll by o rows done on the box itself: rows o..144 up to the top,
// black from row 145-o to row 154-o, then rows 0..o-6 (kept aside in the
// work surface first, as the move overwrites them).
void rollInPlace(int o, Uint32 black) {
  const bool keyed = (demoboxBuffer->flags & SDL_SRCCOLORKEY) != 0;
  const Uint32 key = demoboxBuffer->format->colorkey;
  const Uint32 rgb =
      demoboxBuffer->format->Rmask | demoboxBuffer->format->Gmask | demoboxBuffer->format->Bmask;
  auto rowOf = [](SDL_Surface* s, int y) {
    return reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
  };
  const int wrapped = o - kSeamRows;  // rows that go below the seam
  for (int y = 0; y < wrapped; ++y)
    std::memcpy(rowOf(tmpBuffer, y), rowOf(demoboxBuffer, y), kW * 4);
  // Row y takes row y + o, which lies further down and is not written yet.
  for (int y = 0; y < kH - kSeamRows - o; ++y)
    rollRow(rowOf(demoboxBuffer, y), rowOf(demoboxBuffer, y + o), keyed, key, rgb, black);
  for (int y = kH - kSeamRows - o < 0 ? 0 : kH - kSeamRows - o; y < kH && y < kH + kSeamRows - o;
       ++y) {
    Uint32* row = rowOf(demoboxBuffer, y);
    for (int x = 0; x < kW; ++x) row[x] = black;
  }
  for (int y = 0; y < wrapped; ++y)
    rollRow(rowOf(demoboxBuffer, kH + kSeamRows - o + y), rowOf(tmpBuffer, y), keyed, key, rgb,
            black);
}
}  // namespace

namespace {
void stepRoll() {
  // The remainder keeps any step, however large, inside the box.
  int64_t rolled = (static_cast<int64_t>(tvOffset_y) + toInt(dt * 1.5)) % kH;
  if (rolled < 0) rolled += kH;
  tvOffset_y = static_cast<int>(rolled);
}
}  // namespace

void advanceOffsetTv() {
  stepRoll();
  // Both ways of rolling below leave the box keyed on magenta.
  if (demoboxBuffer && tmpBuffer) keyMagenta(demoboxBuffer);
}

void offsetTv() {
  stepRoll();
  const int o = tvOffset_y;
  if (!demoboxBuffer || !tmpBuffer) return;

  Uint32 black = SDL_MapRGB(tmpBuffer->format, 0, 0, 0);
  if (demoboxBuffer != tmpBuffer && rollsInPlace(demoboxBuffer, tmpBuffer->format) &&
      rollsInPlace(tmpBuffer, demoboxBuffer->format) && !(tmpBuffer->flags & SDL_SRCCOLORKEY)) {
    rollInPlace(o, black);
    // What drawImg leaves besides the pixels: the box keyed on magenta.
    keyMagenta(demoboxBuffer);
    return;
  }

  // The work surface starts black each frame: rows 151-o..154-o (to row 149
  // when o <= 5) get no copy, and must not show what an earlier frame left.
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
