#include "effects/tvfilters.h"

#include <SDL/sge.h>

#include <cstdint>
#include <cstdlib>

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
}  // namespace

void tvFilter(int density) {
  if (density < 1) density = 1;  // one grey level rather than a division by zero
  // Each grey level mapped once a frame rather than once a pixel; on a
  // 32-bit buffer the mapped words are stored directly (what drawPixel does).
  const uint64_t reciprocal = (uint64_t{1} << 32) / static_cast<uint64_t>(density) + 1;
  Uint32 grey[256];
  Uint32* pixels = nullptr;
  if (demoboxBuffer) {
    for (int n = 0; n < 256; ++n) grey[n] = SDL_MapRGB(demoboxBuffer->format, n, n, n);
    if (demoboxBuffer->format->BytesPerPixel == 4 && demoboxBuffer->w >= kW &&
        demoboxBuffer->h >= kH)
      pixels = static_cast<Uint32*>(demoboxBuffer->pixels);
  }
  for (int y = 0; y < kH; ++y) {
    // `draw` is raised only after a row, so a full row needs the row before
    // it to have ended: row 0 of the very first call gets just the line.
    if (y % 3 != 0) draw = 0;
    Uint32* row = pixels ? pixels + y * demoboxBuffer->pitch / 4 : nullptr;
    // One random number per pixel, used or not, keeps the sequence fixed.
    int draws[kW];
    showRandFill(draws, kW);
    for (int x = 0; x < kW; ++x) {
      // draws[x] % density by a multiply: with m = 2^32 / density + 1 the
      // quotient (r·m) >> 32 is exact while r·density < 2^32, which draws
      // below 2^15 meet for densities below 2^17; above that r·m < 2^32
      // and the quotient is 0, as it is for r < density.
      const uint64_t r = static_cast<uint64_t>(draws[x]);
      const int quotient = static_cast<int>((r * reciprocal) >> 32);
      Uint8 n = static_cast<Uint8>(draws[x] - quotient * density);
      if (draw == 0 && x != offset_y) continue;
      if (row)
        row[x] = grey[n];
      else
        drawPixel(demoboxBuffer, x, y, n, n, n);
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
