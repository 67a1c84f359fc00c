#include <gtest/gtest.h>

#include <cstdlib>

#include "demo/clock.h"
#include "demo/main.h"
#include "effects/tunnel.h"
#include "render/gfx.h"
#include "tests/support.h"

using tunnel_detail::angleTable;
using tunnel_detail::distTable;

namespace {
SDL_Surface* box() {
  testDisplay();
  if (!demoboxBuffer) demoboxBuffer = makeWorkSurface(200, 150);
  return demoboxBuffer;
}

int at(int x, int y) { return x * 150 + y; }

// A texture whose texel (u, v) is coloured (u, v, 77); texels beyond the
// top-left 256×256 are pure blue, which the tunnel must never show.
void writeTexture(int w, int h, int bpp = 32) {
  std::system("mkdir -p gfx");
  SDL_Surface* s = makeSurface(w, h, bpp);
  for (int v = 0; v < h; ++v)
    for (int u = 0; u < w; ++u) {
      SDL_Rect r = {Sint16(u), Sint16(v), 1, 1};
      Uint32 c = (u < 256 && v < 256) ? SDL_MapRGB(s->format, Uint8(u), Uint8(v), 77)
                                      : SDL_MapRGB(s->format, 0, 0, 255);
      SDL_FillRect(s, &r, c);
    }
  SDL_SaveBMP(s, "gfx/tunnel.bmp");
  SDL_FreeSurface(s);
}

uint32_t texel(int u, int v) { return uint32_t(u) << 16 | uint32_t(v) << 8 | 77; }

class Tunnel : public ::testing::Test {
 protected:
  void SetUp() override { box(); }
  void TearDown() override { clockUseReal(); }
  void drawAt(double ms) {
    clockSetVirtual(ms);
    drawTunnel();
  }
};
}  // namespace

TEST_F(Tunnel, AngleTableAroundTheCentre) {
  initTunnel();
  EXPECT_EQ(angleTable[at(100, 75)], 0);
  EXPECT_EQ(distTable[at(100, 75)], 0);
  for (int x : {0, 50, 99}) EXPECT_EQ(angleTable[at(x, 75)], 127) << x;
  for (int x : {101, 150, 199}) EXPECT_EQ(angleTable[at(x, 75)], 0) << x;
  // Quarter turns come out at 63, not 64: the divisor 3.1416 is a shade above pi.
  for (int y : {0, 40, 74}) EXPECT_EQ(angleTable[at(100, y)], -63) << y;
  for (int y : {76, 100, 149}) EXPECT_EQ(angleTable[at(100, y)], 63) << y;
  for (int k = 0; k < 200 * 150; ++k) {
    ASSERT_GE(angleTable[k], -127);
    ASSERT_LE(angleTable[k], 127);
  }
}

TEST_F(Tunnel, DistanceTable) {
  initTunnel();
  EXPECT_EQ(distTable[at(101, 75)], 0);  // 6400 mod 256
  EXPECT_EQ(distTable[at(100, 74)], 0);
  EXPECT_EQ(distTable[at(102, 75)], 128);  // 3200 mod 256
  EXPECT_EQ(distTable[at(0, 0)], 51);      // r = 125
  EXPECT_EQ(distTable[at(199, 149)], 52);  // r = 123.6: 51.8 rounds up
  for (int k = 0; k < 200 * 150; ++k) {
    ASSERT_GE(distTable[k], 0);
    ASSERT_LE(distTable[k], 255);
  }
}

TEST_F(Tunnel, MapsTheTextureByTheClock) {
  TempCwd cwd;
  writeTexture(256, 256);
  initTunnel();
  drawAt(0);
  // The bare table mapping: corner (0, 0) has distance 51 and angle -101.
  EXPECT_EQ(rgbAt(demoboxBuffer, 100, 75), texel(0, 0));
  EXPECT_EQ(rgbAt(demoboxBuffer, 0, 0), texel(51, 155));
  EXPECT_EQ(rgbAt(demoboxBuffer, 0, 75), texel(6400 / 100 % 256, 127));

  // 1.5 s: 384 columns out, 96 rows round.
  drawAt(1500);
  EXPECT_EQ(rgbAt(demoboxBuffer, 100, 75), texel(128, 96));
  EXPECT_EQ(rgbAt(demoboxBuffer, 0, 0), texel((384 + 51) & 255, (96 - 101) & 255));
  // Whole seconds give whole turns of the columns.
  drawAt(3000);
  EXPECT_EQ(rgbAt(demoboxBuffer, 100, 75), texel(0, 192));
}

TEST_F(Tunnel, ReadsOnlyTheTopLeftOfALargerTexture) {
  TempCwd cwd;
  writeTexture(300, 280, 24);
  initTunnel();
  for (double ms : {0.0, 777.0, 12345.0}) {
    drawAt(ms);
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x) ASSERT_NE(rgbAt(demoboxBuffer, x, y), 0x0000FFu);
  }
}

TEST_F(Tunnel, MissingOrSmallTextureLeavesTheTubeBlack) {
  TempCwd cwd;
  for (int size : {0, 100, 255}) {
    if (size) writeTexture(size, size);
    initTunnel();
    fill(demoboxBuffer, 200, 10, 10);
    drawAt(2500);
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x) ASSERT_EQ(rgbAt(demoboxBuffer, x, y), 0u) << size;
  }
}

TEST_F(Tunnel, LongRunOverTheClock) {
  TempCwd cwd;
  writeTexture(256, 256);
  initTunnel();
  for (int frame = 0; frame < 2000; ++frame) drawAt(frame * 97.3);
}
