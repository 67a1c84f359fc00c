#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "demo/main.h"
#include "effects/flag.h"
#include "effects/tvfilters.h"
#include "tests/support.h"

using flag::detail::sin_index;
using flag::detail::sinTable;

namespace {
// Pixel (x, y) of the test flag: red and green give the row, blue the column,
// so every pixel says where in the picture it came from.
uint32_t flagPixel(int x, int y) {
  return uint32_t(y & 0xFF) << 16 | uint32_t(y >> 8) << 8 | (x & 0xFF);
}

void writeFlag(int w, int h) {
  std::system("mkdir -p gfx");
  SDL_Surface* s = makeSurface(w, h, 32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t p = flagPixel(x, y);
      reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch)[x] =
          SDL_MapRGB(s->format, Uint8(p >> 16), Uint8(p >> 8), Uint8(p));
    }
  // IMG_Load reads pictures by their content: a BMP stands in for the PNG.
  SDL_SaveBMP(s, "gfx/bg_flag.png");
  SDL_FreeSurface(s);
}

class Flag : public ::testing::Test {
 protected:
  void SetUp() override {
    testDisplay();
    resetShowState();
    sin_index = 0;
  }
  // Leaves the flag as a show without its picture has it.
  void TearDown() override {
    TempCwd empty;
    initHomeMade();
    sin_index = 0;
  }
  // Loads a w×h test flag and draws one frame.
  void frame(int w, int h) {
    TempCwd cwd;
    writeFlag(w, h);
    initHomeMade();
    ASSERT_NE(homemadeBuffer, nullptr);
    drawHomeMade();
  }
};
}  // namespace

TEST_F(Flag, SineTableIsOnePeriodOfSixteenCutTowardZero) {
  initHomeMade();
  EXPECT_EQ(sinTable[0], 0);
  EXPECT_EQ(sinTable[128], 15);  // 16 is never reached
  EXPECT_EQ(sinTable[256], 0);
  EXPECT_EQ(sinTable[384], -15);
  EXPECT_EQ(sinTable[16], 3);
  EXPECT_EQ(sinTable[24], 4);
  for (int i = 0; i < 512; ++i) {
    double exact = 16 * std::sin(i * 2 * M_PI / 512);
    ASSERT_LE(std::abs(sinTable[i]), 15) << i;
    ASSERT_LE(std::abs(sinTable[i] - exact), 1.0) << i;
    ASSERT_LE(std::abs(double(sinTable[i])), std::abs(exact) + 1e-3) << i;  // toward zero
  }
}

TEST_F(Flag, FirstFrameBandStartsAtRow478WithColumnOneOnSinTable16) {
  frame(436, 480);
  // Column c is drawn by the blit after its own, on sinTable[8·(c + 1)]: the
  // band of column 0 starts at row 478 and shows the picture 1 row lower
  // (sinTable[8] = 1), column 1 at row 476 shows it 3 rows lower.
  EXPECT_EQ(rgbAt(homemadeBuffer, 0, 477), flagPixel(0, 477));
  EXPECT_EQ(rgbAt(homemadeBuffer, 0, 478), flagPixel(0, 478 + sinTable[8]));
  EXPECT_EQ(rgbAt(homemadeBuffer, 1, 475), flagPixel(1, 475));
  EXPECT_EQ(rgbAt(homemadeBuffer, 1, 476), flagPixel(1, 479));
  EXPECT_EQ(rgbAt(homemadeBuffer, 2, 474), flagPixel(2, 474 + sinTable[24]));
  EXPECT_EQ(sin_index, 8);
}

TEST_F(Flag, FirstBlitOfAFrameGoesToRow480) {
  // On a picture taller than the screen the first blit shows: rows 0..9 of
  // column 0 land on rows 480..489; the next blit of column 0 overwrites all
  // but the last of them.
  frame(436, 490);
  EXPECT_EQ(rgbAt(homemadeBuffer, 0, 489), flagPixel(0, 9));
  EXPECT_EQ(rgbAt(homemadeBuffer, 0, 488), flagPixel(0, 489));
}

TEST_F(Flag, BandFallsTwoThenOneRowAColumnAndThickensAfter250) {
  frame(436, 480);
  auto startsAt = [](int c, int row, int height) {
    int s = sinTable[(8 * (c + 1)) % 512];
    EXPECT_EQ(rgbAt(homemadeBuffer, c, row - 1), flagPixel(c, row - 1)) << c;
    if (s <= 0) return;  // shown moved up, the band's edges are visible
    EXPECT_EQ(rgbAt(homemadeBuffer, c, row), flagPixel(c, row + s)) << c;
    if (row + height + s < 480) {  // the bottom lies inside the picture
      EXPECT_EQ(rgbAt(homemadeBuffer, c, row + height - 1), flagPixel(c, row + height - 1 + s))
          << c;
      EXPECT_EQ(rgbAt(homemadeBuffer, c, row + height), flagPixel(c, row + height)) << c;
    }
  };
  // Columns with a positive sine, away from the top where pushes begin.
  for (int c : {3, 5, 70, 131, 195}) startsAt(c, 478 - 2 * c, 120);
  for (int c : {201, 205, 212}) startsAt(c, 278 - c, 120);
  startsAt(258, 20, 200);
  // From column 279 the band starts at the top; the last column is never drawn.
  for (int y = 0; y < 480; ++y) ASSERT_EQ(rgbAt(homemadeBuffer, 435, y), flagPixel(435, y)) << y;
}

TEST_F(Flag, NegativeFirstSinePushesTheWholeBandDown) {
  {
    TempCwd cwd;
    writeFlag(436, 480);
    initHomeMade();
  }
  int k = 0;
  while (k < 512 && sinTable[k] != -7) ++k;
  ASSERT_LT(k, 512);
  sin_index = uint16_t(k);
  drawHomeMade();
  // Every band starts 7 rows lower than in a frame that begins at or above 0.
  int drawn = 0;
  for (int c = 10; c < 200; ++c) {
    int s = sinTable[(k + 8 * (c + 1)) % 512];
    if (s <= 0) continue;
    ++drawn;
    ASSERT_EQ(rgbAt(homemadeBuffer, c, 484 - 2 * c), flagPixel(c, 484 - 2 * c)) << c;
    ASSERT_EQ(rgbAt(homemadeBuffer, c, 485 - 2 * c), flagPixel(c, 485 - 2 * c + s)) << c;
  }
  EXPECT_GT(drawn, 50);
}

TEST_F(Flag, PhaseMovesEightAFrameWhateverTheFrameStep) {
  frame(436, 480);
  dt = 100.0f;
  for (int i = 0; i < 63; ++i) drawHomeMade();
  EXPECT_EQ(sin_index, 512);
  sin_index = 65528;
  drawHomeMade();
  EXPECT_EQ(sin_index, 0);
}

TEST_F(Flag, WithoutThePictureNothingIsDrawnAndTheRollStillHasItsBuffer) {
  TempCwd empty;
  initHomeMade();
  EXPECT_EQ(homemadeBuffer, nullptr);
  drawHomeMade();
  EXPECT_EQ(sin_index, 8);
  ASSERT_NE(tmpBuffer, nullptr);
  EXPECT_EQ(tmpBuffer->w, 200);
  EXPECT_EQ(tmpBuffer->h, 150);
  EXPECT_EQ(tmpBuffer->format->BitsPerPixel, screen->format->BitsPerPixel);
  EXPECT_EQ(rgbAt(tmpBuffer, 100, 100), 0u);
}
