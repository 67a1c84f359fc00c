// The tunnel writes its texels straight into the box from tables of its own,
// kept row by row; every pixel must still be the texel the published tables
// name, for textures of any row length.
#include <gtest/gtest.h>

#include <cstdlib>

#include "demo/clock.h"
#include "demo/main.h"
#include "effects/tunnel.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace {
// Texel (u, v) coloured (u, v, 33), `w` texels a row.
void writeTexture(int w, int bpp) {
  std::system("mkdir -p gfx");
  SDL_Surface* s = makeSurface(w, 256, bpp);
  for (int v = 0; v < 256; ++v)
    for (int u = 0; u < w; ++u) {
      SDL_Rect r = {Sint16(u), Sint16(v), 1, 1};
      SDL_FillRect(s, &r, SDL_MapRGB(s->format, Uint8(u), Uint8(v), 33));
    }
  SDL_SaveBMP(s, "gfx/tunnel.bmp");
  SDL_FreeSurface(s);
}
}  // namespace

TEST(TunnelBox, EveryPixelIsTheTexelTheTablesName) {
  testDisplay();
  if (!demoboxBuffer) demoboxBuffer = makeWorkSurface(200, 150);
  TempCwd cwd;
  // 256 texels a row, and 301 (an odd row length once converted).
  for (int w : {256, 301}) {
    writeTexture(w, w == 256 ? 32 : 24);
    initTunnel();
    // Times whose shifts are whole: 256 columns and 64 rows a second.
    for (int ms : {0, 125, 1375, 4000, 65125}) {
      clockSetVirtual(ms);
      SDL_SetColorKey(demoboxBuffer, 0, 0);
      drawTunnel();
      const int shiftX = ms * 256 / 1000, shiftY = ms * 64 / 1000;
      for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) {
          const int k = x * 150 + y;
          const uint32_t u = (shiftX + tunnel_detail::distTable[k]) & 255;
          const uint32_t v = (shiftY + tunnel_detail::angleTable[k]) & 255;
          ASSERT_EQ(rgbAt(demoboxBuffer, x, y), u << 16 | v << 8 | 33)
              << "row length " << w << " at " << ms << " ms, pixel " << x << "," << y;
        }
      EXPECT_TRUE(demoboxBuffer->flags & SDL_SRCCOLORKEY) << "keyed as by drawImg";
    }
  }
  clockUseReal();
}
