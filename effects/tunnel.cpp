#include "effects/tunnel.h"

#include <SDL/SDL.h>

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "demo/clock.h"
#include "demo/state.h"
#include "render/extra.h"
#include "render/gfx.h"

// --- tunnel state ---
namespace tunnel_detail {
int32_t distTable[200 * 150];
int32_t angleTable[200 * 150];
}  // namespace tunnel_detail

namespace {
using namespace tunnel_detail;

constexpr int kWidth = 200, kHeight = 150;
constexpr int kCentreX = 100, kCentreY = 75;
constexpr int kTexture = 256;  // only the top-left 256×256 of the picture is read

SDL_Surface* tunnelImage;   // the texture in the display's format, or null
SDL_Surface* tunnelBuffer;  // 200×150, every pixel rewritten each frame
// The two tables row by row (y·200 + x), each cut to a byte (the texture
// wraps at 256 both ways, so only the low byte of either offset counts):
// the texel row in the high byte, its column in the low one.
uint16_t texelOf[kWidth * kHeight];

// Pixels are copied as whole 32-bit words, so both surfaces must hold four
// bytes a pixel, and the texture must cover all 256×256 texels a frame reads.
bool textureUsable() {
  return tunnelImage && tunnelImage->format->BytesPerPixel == 4 && tunnelImage->w >= kTexture &&
         tunnelImage->h >= kTexture;
}

Uint32* wordAt(SDL_Surface* s, int x, int y) {
  return static_cast<Uint32*>(s->pixels) + x + s->pitch * y / 4;
}

// The buffer's blit into the box would copy its words unchanged to the same
// places: one format without alpha or key, 32-bit, the box's clip all of it
// and at least 200×150, nothing locked. Then the texels can go straight there.
bool boxTakesWords() {
  const SDL_Surface* box = demoboxBuffer;
  if (!box || !box->pixels) return false;
  const SDL_PixelFormat *b = box->format, *t = tunnelBuffer->format;
  const SDL_Rect& clip = box->clip_rect;
  return b->BytesPerPixel == 4 && !b->palette && b->Rmask == t->Rmask && b->Gmask == t->Gmask &&
         b->Bmask == t->Bmask && b->Amask == 0 && t->Amask == 0 &&
         !(tunnelBuffer->flags & (SDL_SRCALPHA | SDL_SRCCOLORKEY)) &&
         !(box->flags & (SDL_RLEACCEL | SDL_RLEACCELOK)) && !SDL_MUSTLOCK(box) &&
         !SDL_MUSTLOCK(tunnelImage) && !box->locked && clip.x == 0 && clip.y == 0 &&
         clip.w == box->w && clip.h == box->h && box->w >= kWidth && box->h >= kHeight;
}
}  // namespace

void initTunnel() {
  if (tunnelBuffer) SDL_FreeSurface(tunnelBuffer);
  if (tunnelImage) SDL_FreeSurface(tunnelImage);
  tunnelBuffer = tunnelImage = nullptr;
  if (screen) {
    tunnelBuffer = makeWorkSurface(kWidth, kHeight);
    tunnelImage = toDisplayFormat(loadPicture("gfx/tunnel.bmp", 256, 256));
  }

  for (int x = 0; x < kWidth; ++x)
    for (int y = 0; y < kHeight; ++y) {
      const int k = x * kHeight + y;
      if (x == kCentreX && y == kCentreY) {
        distTable[k] = angleTable[k] = 0;
        continue;
      }
      const double dx = x - kCentreX, dy = y - kCentreY;
      const double r = std::sqrt(dx * dx + dy * dy);
      distTable[k] = toInt(static_cast<float>(6400 / r)) % kTexture;
      // 3.1416, not pi: a full turn spans a shade under 256 rows, and the
      // quarter turns come out at ±63, not ±64.
      angleTable[k] = static_cast<int32_t>(128 * std::atan2(dy, dx) / 3.1416);
    }
  for (int x = 0; x < kWidth; ++x)
    for (int y = 0; y < kHeight; ++y) {
      texelOf[y * kWidth + x] = static_cast<uint16_t>((angleTable[x * kHeight + y] & 0xFF) << 8 |
                                                      (distTable[x * kHeight + y] & 0xFF));
    }
}

void advanceTunnel() {
  // Every way of drawing below leaves the box keyed on magenta, as drawImg does.
  if (tunnelBuffer && tunnelBuffer->format->BytesPerPixel == 4 && demoboxBuffer)
    keyMagenta(demoboxBuffer);
}

void readAheadTunnel(int part, int parts) {
  const SDL_Rect read = {0, 0, kTexture, kTexture};
  readAhead(tunnelImage, part, parts, &read);
  readAhead(tunnelBuffer, part, parts);
  readAheadBytes(texelOf, kWidth * sizeof texelOf[0], kWidth * sizeof texelOf[0], kHeight, part,
                 parts);
}

void drawTunnel() {
  if (!tunnelBuffer || tunnelBuffer->format->BytesPerPixel != 4) return;
  // A texture that is missing or too small leaves the tube black.
  if (!textureUsable()) {
    SDL_FillRect(tunnelBuffer, nullptr, SDL_MapRGB(tunnelBuffer->format, 0, 0, 0));
    drawImg(demoboxBuffer, tunnelBuffer, 0, 0);
    return;
  }
  // By the clock, not dt: the same moment gives the same picture.
  const float t = clockTicks() / 1000.0f;
  const int shiftX = toInt(t * 256);  // one texture width a second outwards
  const int shiftY = toInt(t * 64);   // a quarter turn a second

  if (boxTakesWords()) {
    keyMagenta(demoboxBuffer);
    const Uint8* texture = static_cast<const Uint8*>(tunnelImage->pixels);
    const int texturePitch = tunnelImage->pitch;
    const uint8_t du = static_cast<uint8_t>(shiftX), dv = static_cast<uint8_t>(shiftY);
    for (int y = 0; y < kHeight; ++y) {
      Uint32* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(demoboxBuffer->pixels) +
                                              y * demoboxBuffer->pitch);
      const uint16_t* texels = texelOf + y * kWidth;
      int x = 0;
#if defined(__SSE2__)
      // A texture exactly 256 texels wide is one run of 65,536 words, so the
      // two shifted bytes are the texel's index in it: eight indices a step
      // by byte additions, each wrapping on its own.
      if (texturePitch == kTexture * 4) {
        const Uint32* words = reinterpret_cast<const Uint32*>(texture);
        const __m128i shift = _mm_set1_epi16(static_cast<short>(dv << 8 | du));
        static_assert(kWidth % 8 == 0, "whole steps a row");
        for (; x < kWidth; x += 8) {
          const __m128i at =
              _mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + x)), shift);
          row[x] = words[_mm_extract_epi16(at, 0)];
          row[x + 1] = words[_mm_extract_epi16(at, 1)];
          row[x + 2] = words[_mm_extract_epi16(at, 2)];
          row[x + 3] = words[_mm_extract_epi16(at, 3)];
          row[x + 4] = words[_mm_extract_epi16(at, 4)];
          row[x + 5] = words[_mm_extract_epi16(at, 5)];
          row[x + 6] = words[_mm_extract_epi16(at, 6)];
          row[x + 7] = words[_mm_extract_epi16(at, 7)];
        }
      }
#endif
      for (; x < kWidth; ++x) {
        const uint8_t u = static_cast<uint8_t>((texels[x] & 0xFF) + du);
        const uint8_t v = static_cast<uint8_t>((texels[x] >> 8) + dv);
        row[x] = reinterpret_cast<const Uint32*>(texture + v * texturePitch)[u];
      }
    }
    return;
  }

  if (SDL_MUSTLOCK(tunnelBuffer)) SDL_LockSurface(tunnelBuffer);
  if (SDL_MUSTLOCK(tunnelImage)) SDL_LockSurface(tunnelImage);
  for (int x = 0; x < kWidth; ++x)
    for (int y = 0; y < kHeight; ++y) {
      const int k = x * kHeight + y;
      const int u = (shiftX + distTable[k]) & (kTexture - 1);
      const int v = (shiftY + angleTable[k]) & (kTexture - 1);
      PLUPP_CHECK_PIXEL(tunnelImage, u, v);
      PLUPP_CHECK_PIXEL(tunnelBuffer, x, y);
      *wordAt(tunnelBuffer, x, y) = *wordAt(tunnelImage, u, v);
    }
  if (SDL_MUSTLOCK(tunnelImage)) SDL_UnlockSurface(tunnelImage);
  if (SDL_MUSTLOCK(tunnelBuffer)) SDL_UnlockSurface(tunnelBuffer);
  drawImg(demoboxBuffer, tunnelBuffer, 0, 0);
}
