#include "effects/plasma.h"

#include <cmath>

#include "demo/clock.h"
#include "render/extra.h"
#include "render/gfx.h"

// --- plasma state ---
namespace plasma_detail {
SDL_Color colors[256];
int32_t plasma[200 * 150];
}  // namespace plasma_detail

namespace {
using namespace plasma_detail;

constexpr int kWidth = 200, kHeight = 150;
// The field row by row (y·200 + x); its values fit a byte.
uint8_t field[kWidth * kHeight];

SDL_Color rgb(int r, int g, int b) {
  return {static_cast<Uint8>(r), static_cast<Uint8>(g), static_cast<Uint8>(b), 0};
}
}  // namespace

void initPlasma() {
  // Four ramps of 64; the ends meet smoothly (entry 255 is green 253,
  // entry 0 green 254), so the cycle has no seam.
  for (int i = 0; i < 64; ++i) {
    colors[i] = rgb(4 * i, 254 - 4 * i, 0);
    colors[64 + i] = rgb(255, 4 * i + 1, 0);
    colors[128 + i] = rgb(254 - 4 * i, 254 - 4 * i, 0);
    colors[192 + i] = rgb(0, 4 * i + 1, 0);
  }

  for (int x = 0; x < kWidth; ++x)
    for (int y = 0; y < kHeight; ++y) {
      const double s1 = 128 + 128 * std::sin(x / 16.0);
      const double s2 = 128 + 128 * std::sin(y / 32.0);
      // Rings about the centre at half strength, and about the top-left corner.
      const float centre = float((x - 100) * (x - 100) + (y - 75) * (y - 75));
      const double s3 = 128 + 64 * std::sin(std::sqrt(double(centre)) / 8);
      const double s4 = 128 + 128 * std::sin(std::sqrt(double(x * x + y * y)) / 8);
      plasma[x * kHeight + y] = toInt(static_cast<float>(s1 + s2 + s3 + s4)) / 4;
      field[y * kWidth + x] = static_cast<uint8_t>(plasma[x * kHeight + y]);
    }
}

void drawPlasma() {
  if (!demoboxBuffer) return;
  // 100 palette steps a second, by the clock rather than dt.
  const int shift = toInt(static_cast<float>(clockTicks() / 10.0));
  if (SDL_MUSTLOCK(demoboxBuffer)) SDL_LockSurface(demoboxBuffer);
  if (demoboxBuffer->format->BytesPerPixel == 4 && demoboxBuffer->w >= kWidth &&
      demoboxBuffer->h >= kHeight) {
    // The palette mapped once a frame, each entry as drawPixel would map it,
    // and the words stored row by row.
    // Without a palette SDL_MapRGB is these shifts and the alpha mask.
    const SDL_PixelFormat* f = demoboxBuffer->format;
    Uint32 mapped[256];
    for (int i = 0; i < 256; ++i)
      mapped[i] = f->palette ? SDL_MapRGB(f, colors[i].r, colors[i].g, colors[i].b)
                             : Uint32(colors[i].r >> f->Rloss) << f->Rshift |
                                   Uint32(colors[i].g >> f->Gloss) << f->Gshift |
                                   Uint32(colors[i].b >> f->Bloss) << f->Bshift | f->Amask;
    // Index and shift both non-negative: their sum mod 256 is the byte sum.
    const uint8_t step = static_cast<uint8_t>(shift);
    for (int y = 0; y < kHeight; ++y) {
      Uint32* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(demoboxBuffer->pixels) +
                                              y * demoboxBuffer->pitch);
      const uint8_t* values = field + y * kWidth;
      for (int x = 0; x < kWidth; ++x) row[x] = mapped[static_cast<uint8_t>(values[x] + step)];
    }
  } else {
    for (int x = 0; x < kWidth; ++x)
      for (int y = 0; y < kHeight; ++y) {
        const SDL_Color& c = colors[(plasma[x * kHeight + y] + shift) % 256];
        drawPixel(demoboxBuffer, x, y, c.r, c.g, c.b);
      }
  }
  if (SDL_MUSTLOCK(demoboxBuffer)) SDL_UnlockSurface(demoboxBuffer);
}
