#include <gtest/gtest.h>

#include <cstdlib>

#include "demo/main.h"
#include "effects/flag.h"
#include "tests/support.h"

using flag::detail::sin_index;
using flag::detail::sinTable;

namespace {
// Pixel (x, y) of the test flag: red and green give the row, blue the column.
uint32_t flagPixel(int x, int y) { return uint32_t(y & 0xFF) << 16 | (y >> 8) << 8 | (x & 0xFF); }

// Loads a w×h test flag and draws its first frame.
void firstFrame(int w, int h) {
  TempCwd cwd;
  std::system("mkdir -p gfx");
  SDL_Surface* s = makeSurface(w, h, 32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch)[x] = flagPixel(x, y);
  SDL_SaveBMP(s, "gfx/bg_flag.png");  // read by content: a BMP serves
  SDL_FreeSurface(s);
  initHomeMade();
  sin_index = 0;
  drawHomeMade();
}

class Flag : public ::testing::Test {
 protected:
  void SetUp() override { testDisplay(); }
  void TearDown() override {
    TempCwd empty;  // back to a show without the picture
    initHomeMade();
    sin_index = 0;
  }
};
}  // namespace

TEST_F(Flag, SineTableCutTowardZero) {
  initHomeMade();
  EXPECT_EQ(sinTable[0], 0);
  EXPECT_EQ(sinTable[128], 15);  // 15.99999...: the peak 16 is never reached
  EXPECT_EQ(sinTable[256], 0);
  EXPECT_EQ(sinTable[384], -15);
  EXPECT_EQ(sinTable[16], 3);
}

TEST_F(Flag, FirstFrameBandStartsAtRow478WithColumnOneOnSinTable16) {
  firstFrame(436, 480);
  ASSERT_NE(homemadeBuffer, nullptr);
  // Column c is drawn by the blit after its own, on sinTable[8·(c + 1)],
  // showing the picture that many rows higher.
  EXPECT_EQ(rgbAt(homemadeBuffer, 0, 477), flagPixel(0, 477));
  EXPECT_EQ(rgbAt(homemadeBuffer, 0, 478), flagPixel(0, 478 + sinTable[8]));
  EXPECT_EQ(rgbAt(homemadeBuffer, 1, 475), flagPixel(1, 475));
  EXPECT_EQ(rgbAt(homemadeBuffer, 1, 476), flagPixel(1, 479));
  // Past column 250 the band is 200 rows high (column 258: rows 20..219).
  EXPECT_EQ(rgbAt(homemadeBuffer, 258, 219), flagPixel(258, 219 + sinTable[24]));
  EXPECT_EQ(rgbAt(homemadeBuffer, 258, 220), flagPixel(258, 220));
  EXPECT_EQ(rgbAt(homemadeBuffer, 435, 100), flagPixel(435, 100));  // last column never drawn
  EXPECT_EQ(sin_index, 8);
}

TEST_F(Flag, FirstBlitOfAFrameGoesToRow480) {
  // Seen on a taller picture: rows 0..9 of column 0 land on rows 480..489,
  // and the next blit of column 0 (rows 478..488) leaves the last of them.
  firstFrame(436, 490);
  EXPECT_EQ(rgbAt(homemadeBuffer, 0, 489), flagPixel(0, 9));
}
