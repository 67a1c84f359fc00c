#include <gtest/gtest.h>

#include "demo/clock.h"
#include "demo/main.h"
#include "effects/plasma.h"
#include "render/gfx.h"
#include "tests/support.h"

using plasma_detail::colors;
using plasma_detail::plasma;

namespace {
SDL_Surface* box() {
  testDisplay();
  if (!demoboxBuffer) demoboxBuffer = makeWorkSurface(200, 150);
  return demoboxBuffer;
}

uint32_t rgbOf(const SDL_Color& c) { return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; }

class Plasma : public ::testing::Test {
 protected:
  void SetUp() override {
    box();
    initPlasma();
  }
  void TearDown() override { clockUseReal(); }
  void drawAt(double ms) {
    clockSetVirtual(ms);
    drawPlasma();
  }
};
}  // namespace

TEST_F(Plasma, PaletteRampsMeetWithoutASeam) {
  EXPECT_EQ(rgbOf(colors[0]), 0x00FE00u);
  EXPECT_EQ(rgbOf(colors[63]), 0xFC0200u);
  EXPECT_EQ(rgbOf(colors[64]), 0xFF0100u);
  EXPECT_EQ(rgbOf(colors[127]), 0xFFFD00u);
  EXPECT_EQ(rgbOf(colors[128]), 0xFEFE00u);
  EXPECT_EQ(rgbOf(colors[129]), 0xFAFA00u);
  EXPECT_EQ(rgbOf(colors[191]), 0x020200u);
  EXPECT_EQ(rgbOf(colors[192]), 0x000100u);
  EXPECT_EQ(rgbOf(colors[229]), 0x009500u);
  EXPECT_EQ(rgbOf(colors[255]), 0x00FD00u);
  for (const SDL_Color& c : colors) EXPECT_EQ(c.b, 0);
}

TEST_F(Plasma, ValueField) {
  EXPECT_EQ(plasma[0], 129);
  EXPECT_EQ(plasma[100 * 150 + 75], 152);
  int lo = 255, hi = 0;
  for (int v : plasma) {
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  EXPECT_EQ(lo, 40);
  EXPECT_EQ(hi, 229);
}

TEST_F(Plasma, PaletteAdvancesAHundredEntriesASecond) {
  drawAt(0);
  EXPECT_EQ(rgbAt(demoboxBuffer, 0, 0), 0xFAFA00u);  // entry 129
  drawAt(1000);
  EXPECT_EQ(rgbAt(demoboxBuffer, 0, 0), 0x009500u);  // entry 229
  // 15 ms is 1.5 steps, rounded up to 2: entry 131.
  drawAt(15);
  EXPECT_EQ(rgbAt(demoboxBuffer, 0, 0), rgbOf(colors[131]));
}

TEST_F(Plasma, ShiftWrapsRoundThePalette) {
  int x = -1, y = -1;
  for (int k = 0; k < 200 * 150 && x < 0; ++k)
    if (plasma[k] == 229) x = k / 150, y = k % 150;
  ASSERT_GE(x, 0);
  drawAt(1000);
  EXPECT_EQ(rgbAt(demoboxBuffer, x, y), 0xFF2500u);  // entry 73: red 255, green 37
}

TEST_F(Plasma, EveryPixelDrawnAndNoneBlue) {
  fill(demoboxBuffer, 0, 0, 255);
  for (double ms : {0.0, 4321.0, 98765.0}) {
    drawAt(ms);
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x) ASSERT_EQ(rgbAt(demoboxBuffer, x, y) & 0xFF, 0u);
  }
}
