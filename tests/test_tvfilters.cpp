#include <gtest/gtest.h>

#include <cstdlib>

#include "demo/main.h"
#include "effects/tvfilters.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace tv = tvfilters::detail;

namespace {
constexpr uint32_t kMarker = 0xFF00FFu;  // a colour the noise never makes

bool isNoise(uint32_t rgb, int density) {
  uint32_t v = rgb & 0xFF;
  return rgb == (v << 16 | v << 8 | v) && v < uint32_t(density);
}

// Row y of the box coloured (y, 100, 200): each row recognisable.
void paintRows(SDL_Surface* s) {
  for (int y = 0; y < s->h; ++y) {
    SDL_Rect r = {0, Sint16(y), Uint16(s->w), 1};
    SDL_FillRect(s, &r, SDL_MapRGB(s->format, Uint8(y), 100, 200));
  }
}
uint32_t rowColour(int y) { return uint32_t(y) << 16 | 100 << 8 | 200; }

class TvFilters : public ::testing::Test {
 protected:
  SDL_Surface* savedBox = nullptr;
  SDL_Surface* savedTmp = nullptr;
  void SetUp() override {
    testDisplay();
    resetShowState();
    savedBox = demoboxBuffer;
    savedTmp = tmpBuffer;
    demoboxBuffer = makeSurface(200, 150, 32);
    tmpBuffer = makeSurface(200, 150, 32);
    fill(demoboxBuffer, 255, 0, 255);
    tv::draw = tv::offset_y = tv::tvOffset_y = 0;
  }
  void TearDown() override {
    SDL_FreeSurface(demoboxBuffer);
    SDL_FreeSurface(tmpBuffer);
    demoboxBuffer = savedBox;
    tmpBuffer = savedTmp;
    tv::draw = tv::offset_y = tv::tvOffset_y = 0;
  }
};
}  // namespace

TEST_F(TvFilters, NoiseOnEveryThirdRowAndTheLineColumn) {
  tv::offset_y = 17;
  tvFilter(70);
  // The first call finds `draw` at 0: row 0 gets only the line pixel.
  EXPECT_TRUE(isNoise(rgbAt(demoboxBuffer, 17, 0), 70));
  EXPECT_EQ(rgbAt(demoboxBuffer, 16, 0), kMarker);
  for (int y = 1; y < 150; ++y)
    for (int x = 0; x < 200; ++x) {
      uint32_t p = rgbAt(demoboxBuffer, x, y);
      if (y % 3 == 0 || x == 17)
        ASSERT_TRUE(isNoise(p, 70)) << x << "," << y;
      else
        ASSERT_EQ(p, kMarker) << x << "," << y;
    }
  EXPECT_EQ(tv::offset_y, 18);
  // From the second call on row 0 is a full row.
  fill(demoboxBuffer, 255, 0, 255);
  tvFilter(70);
  for (int x = 0; x < 200; ++x) ASSERT_TRUE(isNoise(rgbAt(demoboxBuffer, x, 0), 70)) << x;
  EXPECT_EQ(rgbAt(demoboxBuffer, 17, 1), kMarker);
  EXPECT_TRUE(isNoise(rgbAt(demoboxBuffer, 18, 1), 70));
}

TEST_F(TvFilters, NoiseNeverBrighterThanDensityMinusOne) {
  int brightest = 0;
  tv::draw = 1;
  for (int frame = 0; frame < 5; ++frame) {
    tvFilter(70);
    for (int y = 0; y < 150; y += 3)
      for (int x = 0; x < 200; ++x) {
        uint32_t p = rgbAt(demoboxBuffer, x, y);
        ASSERT_TRUE(isNoise(p, 70)) << std::hex << p;
        brightest = std::max(brightest, int(p & 0xFF));
      }
  }
  EXPECT_EQ(brightest, 69);  // 50 000 draws reach the top level
  tvFilter(3);
  for (int x = 0; x < 200; ++x) ASSERT_TRUE(isNoise(rgbAt(demoboxBuffer, x, 3), 3));
}

TEST_F(TvFilters, LineReachesColumn200ThenJumps) {
  tv::draw = 1;
  tv::offset_y = 198;
  tvFilter(70);
  EXPECT_EQ(tv::offset_y, 199);
  EXPECT_TRUE(isNoise(rgbAt(demoboxBuffer, 198, 1), 70));
  tvFilter(70);
  EXPECT_EQ(tv::offset_y, 200);
  EXPECT_TRUE(isNoise(rgbAt(demoboxBuffer, 199, 1), 70));
  // Column 200 is off the box: no line pixel this frame, then a new column.
  fill(demoboxBuffer, 255, 0, 255);
  std::srand(3);
  for (int i = 0; i < 200 * 150; ++i) std::rand();
  int expected = std::rand() % 200;
  std::srand(3);
  tvFilter(70);
  EXPECT_EQ(tv::offset_y, expected);
  for (int y = 1; y < 150; y += 3)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(rgbAt(demoboxBuffer, x, y), kMarker) << x;
}

TEST_F(TvFilters, RollShiftsUpWithABlackSeamAtEveryOffset) {
  dt = 0.0f;
  for (int o = 0; o < 150; ++o) {
    SCOPED_TRACE("o = " + std::to_string(o));
    paintRows(demoboxBuffer);
    fill(tmpBuffer, 255, 255, 255);  // whatever an earlier frame left
    tv::tvOffset_y = o;
    offsetTv();
    ASSERT_EQ(tv::tvOffset_y, o);
    for (int y = 0; y < 150; ++y) {
      uint32_t expected;
      if (y < 145 - o)
        expected = rowColour(y + o);  // rows o..149 at the top
      else if (y < 155 - o)
        expected = 0;  // the bar, and the rows no copy reaches
      else
        expected = rowColour(y - (155 - o));  // rows 0..o-6 below the seam
      ASSERT_EQ(rgbAt(demoboxBuffer, 0, y), expected) << "row " << y;
      ASSERT_EQ(rgbAt(demoboxBuffer, 199, y), expected) << "row " << y;
    }
  }
}

TEST_F(TvFilters, RollAdvancesByOneAndAHalfDtWrappingAt150) {
  paintRows(demoboxBuffer);
  dt = 1.0f;
  offsetTv();
  EXPECT_EQ(tv::tvOffset_y, 2);
  EXPECT_EQ(rgbAt(demoboxBuffer, 50, 0), rowColour(2));
  tv::tvOffset_y = 149;
  offsetTv();
  EXPECT_EQ(tv::tvOffset_y, 1);
  dt = 1000.0f;  // 1500 rows: a whole number of turns
  offsetTv();
  EXPECT_EQ(tv::tvOffset_y, 1);
  dt = 0.3f;  // 0.45 rounds to nothing
  offsetTv();
  EXPECT_EQ(tv::tvOffset_y, 1);
}

TEST_F(TvFilters, WithoutSurfacesNothingIsDrawn) {
  SDL_FreeSurface(demoboxBuffer);
  SDL_FreeSurface(tmpBuffer);
  demoboxBuffer = tmpBuffer = nullptr;
  dt = 1.0f;
  tvFilter(70);
  offsetTv();
  EXPECT_EQ(tv::tvOffset_y, 2);
  EXPECT_EQ(tv::offset_y, 1);
}
