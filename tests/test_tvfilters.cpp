#include <gtest/gtest.h>

#include <vector>

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

namespace {
// The noise word of draw r: the remainder by the density, cut to a byte,
// looked up.
Uint32 expectedNoise(const std::vector<Uint32>& grey, int density, int r) {
  return grey[uint8_t(r % density)];
}

// Grey tables: what byte-channel formats give (steps of 0x010101 with or
// without an alpha byte, channels swapped), a step whose halves carry into
// each other and wrap past 2^32, and one with no step at all.
std::vector<std::vector<Uint32>> greyTables() {
  std::vector<std::vector<Uint32>> tables;
  for (Uint32 base : {0u, 0xFF000000u, 0xFFFF8000u})
    for (Uint32 step : {0x010101u, 0x01010100u, 0x00017FFFu, 0x0000FFFFu}) {
      tables.emplace_back();
      for (Uint32 n = 0; n < 256; ++n) tables.back().push_back(base + n * step);
    }
  tables.emplace_back();
  uint32_t h = 12345;
  for (int n = 0; n < 256; ++n) tables.back().push_back(h = h * 1664525u + 1013904223u);
  return tables;
}

const int kDensities[] = {1,    2,    3,     7,     69,    70,    71,    255,   256,       257,
                          1000, 4095, 16384, 16385, 32767, 32768, 32769, 70000, 2147483647};
}  // namespace

// Every draw 0..32767 through every table, for the densities the show could
// plausibly use and the edges of the quotient by a multiply.
TEST(TvNoiseRow, EveryDrawGetsTheGreyOfItsRemainder) {
  std::vector<int> draws(32768);
  for (int r = 0; r < 32768; ++r) draws[size_t(r)] = r;
  std::vector<Uint32> row(draws.size());
  const auto tables = greyTables();
  std::vector<int> densities(kDensities, kDensities + sizeof kDensities / sizeof *kDensities);
  for (const auto& grey : tables)
    for (int d : densities) {
      tv::noiseLevels(d, grey.data());
      tv::noiseRow(row.data(), draws.data(), int(draws.size()));
      for (int r = 0; r < 32768; ++r)
        ASSERT_EQ(row[size_t(r)], expectedNoise(grey, d, r)) << "density " << d << ", draw " << r;
    }
  // Every density up to 2^10 with the display's table.
  for (int d = 1; d <= 1024; ++d) {
    tv::noiseLevels(d, tables[0].data());
    tv::noiseRow(row.data(), draws.data(), int(draws.size()));
    for (int r = 0; r < 32768; ++r)
      ASSERT_EQ(row[size_t(r)], expectedNoise(tables[0], d, r))
          << "density " << d << ", draw " << r;
  }
}

// Short rows at every alignment: the eight-at-a-time part and the tail meet
// without gaps and nothing outside the row is written.
TEST(TvNoiseRow, ShortRowsAtAnyOffsetWriteExactlyTheirPixels) {
  const Uint32 guard = 0xDEADBEEFu;
  int draws[40];
  for (int i = 0; i < 40; ++i) draws[i] = (i * 7919 + 32760) % 32768;  // 32767, 0 and in between
  for (const auto& grey : greyTables())
    for (int d : kDensities) {
      tv::noiseLevels(d, grey.data());
      for (int offset = 0; offset < 4; ++offset)
        for (int width = 0; width <= 17; ++width) {
          Uint32 row[24];
          for (Uint32& p : row) p = guard;
          tv::noiseRow(row + 1 + offset, draws + offset, width);
          for (int x = 0; x < 24; ++x) {
            const int i = x - 1;  // index into draws
            const bool inside = i >= offset && i < offset + width;
            ASSERT_EQ(row[x], inside ? expectedNoise(grey, d, draws[i]) : guard)
                << "density " << d << ", offset " << offset << ", width " << width << ", x " << x;
          }
        }
    }
}

namespace {
// A picture with keyed (magenta) pixels and bits set outside the colour
// channels, which a keyed copy drops and a plain one keeps.
void paintRollPicture(SDL_Surface* s, int salt) {
  for (int y = 0; y < 150; ++y) {
    auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
    for (int x = 0; x < 200; ++x) {
      const Uint32 h = Uint32(x * 2654435761u ^ (y + salt) * 40503u);
      row[x] = h % 7 == 0 ? 0xFF00FFu : (h % 5 == 0 ? 0x80000000u : 0u) | (h & 0xFFFFFFu);
    }
  }
}
}  // namespace

// The roll done in place must give the box the blits give. A work surface a
// column wider than the box takes the blits, with the same box as result.
TEST_F(TvFilters, RollInPlaceLeavesWhatTheBlitsLeave) {
  dt = 0.0f;
  SDL_Surface* wide = makeSurface(201, 150, 32);
  SDL_Surface* box = tmpBuffer;
  for (bool keyed : {true, false})
    for (int o = 0; o < 150; ++o) {
      std::vector<Uint32> result[2];
      for (int path = 0; path < 2; ++path) {
        tmpBuffer = path == 0 ? box : wide;
        paintRollPicture(demoboxBuffer, o);
        SDL_SetColorKey(demoboxBuffer, keyed ? SDL_SRCCOLORKEY : 0, 0xFF00FFu);
        tv::tvOffset_y = o;
        offsetTv();
        EXPECT_TRUE(demoboxBuffer->flags & SDL_SRCCOLORKEY);
        EXPECT_EQ(demoboxBuffer->format->colorkey, 0xFF00FFu);
        for (int y = 0; y < 150; ++y)
          for (int x = 0; x < 200; ++x) result[path].push_back(pixelAt(demoboxBuffer, x, y));
      }
      tmpBuffer = box;
      for (size_t i = 0; i < result[0].size(); ++i)
        ASSERT_EQ(result[0][i], result[1][i])
            << (keyed ? "keyed" : "plain") << ", o " << o << ", x " << i % 200 << ", y " << i / 200;
      // Where the keyed blit's effect shows: magenta left black, stray bits gone.
      if (keyed && o < 145) {
        paintRollPicture(demoboxBuffer, o);
        for (int x = 0; x < 200; ++x) {
          const Uint32 was = pixelAt(demoboxBuffer, x, o);
          ASSERT_EQ(result[0][size_t(x)], was == 0xFF00FFu ? 0u : was & 0xFFFFFFu) << o << "," << x;
        }
      }
    }
  SDL_FreeSurface(wide);
}
