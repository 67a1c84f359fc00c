#include <gtest/gtest.h>

#include "demo/main.h"
#include "effects/tvfilters.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace tv = tvfilters::detail;

namespace {
constexpr uint32_t kUntouched = 0xFF00FFu;  // a colour the noise never makes

bool grey(uint32_t p, int below) {
  uint32_t v = p & 0xFF;
  return p == (v << 16 | v << 8 | v) && v < uint32_t(below);
}
uint32_t rowColour(int y) { return uint32_t(y) << 16 | 100 << 8 | 200; }

class TvFilters : public ::testing::Test {
 protected:
  SDL_Surface* saved[2] = {};
  void SetUp() override {
    testDisplay();
    resetShowState();
    saved[0] = demoboxBuffer;
    saved[1] = tmpBuffer;
    demoboxBuffer = makeSurface(200, 150, 32);
    tmpBuffer = makeSurface(200, 150, 32);
    fill(demoboxBuffer, 255, 0, 255);
    tv::draw = 1;
  }
  void TearDown() override {
    SDL_FreeSurface(demoboxBuffer);
    SDL_FreeSurface(tmpBuffer);
    demoboxBuffer = saved[0];
    tmpBuffer = saved[1];
    tv::draw = tv::offset_y = tv::tvOffset_y = 0;
  }
};
}  // namespace

TEST_F(TvFilters, NoiseRowsAndLineNeverBrighterThan69) {
  tv::offset_y = 17;
  int brightest = 0;
  tvFilter(70);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) {
      uint32_t p = rgbAt(demoboxBuffer, x, y);
      if (y % 3 == 0 || x == 17) {
        ASSERT_TRUE(grey(p, 70)) << x << "," << y;
        brightest = std::max(brightest, int(p & 0xFF));
      } else {
        ASSERT_EQ(p, kUntouched) << x << "," << y;
      }
    }
  EXPECT_EQ(brightest, 69);
}

TEST_F(TvFilters, LineGoes199Then200ThenSomewhereRandom) {
  tv::offset_y = 198;
  tvFilter(70);
  EXPECT_EQ(tv::offset_y, 199);
  tvFilter(70);
  EXPECT_EQ(tv::offset_y, 200);
  EXPECT_TRUE(grey(rgbAt(demoboxBuffer, 199, 1), 70));
  fill(demoboxBuffer, 255, 0, 255);
  tvFilter(70);  // column 200 is off the box: no line pixel this frame
  EXPECT_GE(tv::offset_y, 0);
  EXPECT_LT(tv::offset_y, 200);
  for (int x = 0; x < 200; ++x) ASSERT_EQ(rgbAt(demoboxBuffer, x, 1), kUntouched) << x;
}

TEST_F(TvFilters, RollShiftsUpWithABlackSeamAndNoStaleRows) {
  dt = 0.0f;
  for (int o = 0; o < 150; ++o) {
    for (int y = 0; y < 150; ++y) {
      SDL_Rect r = {0, Sint16(y), 200, 1};
      SDL_FillRect(demoboxBuffer, &r, SDL_MapRGB(demoboxBuffer->format, Uint8(y), 100, 200));
    }
    fill(tmpBuffer, 255, 255, 255);  // what an earlier frame left
    tv::tvOffset_y = o;
    offsetTv();
    for (int y = 0; y < 150; ++y) {
      uint32_t expected = y < 145 - o   ? rowColour(y + o)         // rows o..149 on top
                          : y < 155 - o ? 0                        // bar and unreached rows
                                        : rowColour(y - 155 + o);  // rows 0..o-6 below
      ASSERT_EQ(rgbAt(demoboxBuffer, 0, y), expected) << "o " << o << " row " << y;
    }
  }
  dt = 1.0f;  // 1.5 rows a frame, rounded
  tv::tvOffset_y = 149;
  offsetTv();
  EXPECT_EQ(tv::tvOffset_y, 1);
}
