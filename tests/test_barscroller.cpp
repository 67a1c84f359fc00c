#include <gtest/gtest.h>

#include "demo/main.h"
#include "effects/barscroller.h"
#include "render/gfx.h"
#include "tests/support.h"

using barscroller_detail::amigascroller;

namespace {
SDL_Surface* box() {
  testDisplay();
  if (!demoboxBuffer) demoboxBuffer = makeWorkSurface(200, 150);
  return demoboxBuffer;
}

// Bar i is one row of colour (10·(i+1), 200 - 10i, 3): each bar lights one
// row, so its drawn y can be read off the buffer.
uint32_t barColour(int i) { return uint32_t(10 * (i + 1)) << 16 | uint32_t(200 - 10 * i) << 8 | 3; }

class BarScroller : public ::testing::Test {
 protected:
  void SetUp() override {
    box();
    for (int i = 0; i < 7; ++i) {
      saved[i] = amigabars_gfx[i];
      amigabars_gfx[i] = makeSurface(200, 1, 32);
      fill(amigabars_gfx[i], Uint8(10 * (i + 1)), Uint8(200 - 10 * i), 3);
    }
    initAmigaScroller();
  }
  void TearDown() override {
    for (int i = 0; i < 7; ++i) {
      SDL_FreeSurface(amigabars_gfx[i]);
      amigabars_gfx[i] = saved[i];
    }
    dt = 0;
  }
  // The row on which bar picture i shows, or -1.
  int rowOf(int i) {
    for (int y = 0; y < 150; ++y)
      if (rgbAt(demoboxBuffer, 100, y) == barColour(i)) return y;
    return -1;
  }
  SDL_Surface* saved[7];
};
}  // namespace

TEST_F(BarScroller, FirstFramePurpleAt71RedAt56) {
  dt = 1.0f;
  drawAmigaScroller();
  EXPECT_EQ(amigascroller[0].phase, 4);
  EXPECT_EQ(amigascroller[6].phase, 304);
  EXPECT_EQ(rowOf(6), 71);  // purple, record 0
  EXPECT_EQ(rowOf(0), 56);  // red, record 6
  EXPECT_EQ(amigascroller[0].offset, 1);
  EXPECT_EQ(amigascroller[6].offset, -14);
  EXPECT_EQ(rgbAt(demoboxBuffer, 100, 0), 0u);
  EXPECT_TRUE(demoboxBuffer->flags & SDL_SRCCOLORKEY);
  EXPECT_EQ(demoboxBuffer->format->colorkey, SDL_MapRGB(demoboxBuffer->format, 255, 0, 255));
}

TEST_F(BarScroller, RedLiesOnTopWhereBarsMeet) {
  for (auto& bar : amigascroller) bar.phase = 0;
  dt = 0;
  drawAmigaScroller();
  EXPECT_EQ(rowOf(0), 70);
  for (int i = 1; i < 7; ++i) EXPECT_EQ(rowOf(i), -1) << i;
}

TEST_F(BarScroller, ShortFramesStandStill) {
  dt = 0.24f;  // 4 · 0.24 < 1, cut every frame
  for (int frame = 0; frame < 100; ++frame) drawAmigaScroller();
  for (int i = 0; i < 7; ++i) EXPECT_EQ(amigascroller[i].phase, 50 * i);
  dt = 0.25f;
  drawAmigaScroller();
  for (int i = 0; i < 7; ++i) EXPECT_EQ(amigascroller[i].phase, 50 * i + 1);
}

TEST_F(BarScroller, StaysWithinItsBandAndKeepsTheRainbowsShape) {
  const float steps[] = {1.6f, 0, 300, 0.3f, 2.5f};
  for (int frame = 0; frame < 2000; ++frame) {
    dt = steps[frame % 5];
    drawAmigaScroller();
    for (int i = 0; i < 7; ++i) {
      ASSERT_GE(amigascroller[i].offset, -20);
      ASSERT_LE(amigascroller[i].offset, 20);
      ASSERT_EQ(amigascroller[i].phase - amigascroller[0].phase, 50 * i);
    }
  }
}

TEST_F(BarScroller, MissingBarsDrawBlack) {
  for (int i = 0; i < 7; ++i) {
    SDL_FreeSurface(amigabars_gfx[i]);
    amigabars_gfx[i] = nullptr;
  }
  fill(demoboxBuffer, 9, 9, 9);
  dt = 1;
  drawAmigaScroller();
  for (int y = 0; y < 150; ++y) ASSERT_EQ(rgbAt(demoboxBuffer, 100, y), 0u);
  for (int i = 0; i < 7; ++i) amigabars_gfx[i] = makeSurface(1, 1, 32);  // for TearDown
}
