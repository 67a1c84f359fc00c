#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "demo/main.h"
#include "effects/flag.h"
#include "render/blit.h"
#include "tests/support.h"

using flag::detail::byRows;
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

// Loads a w×h picture of random colours, magenta (the key) at about one
// pixel in four, including whole keyed runs down some columns.
void loadKeyedPicture(int w, int h, std::mt19937& rng) {
  TempCwd cwd;
  std::system("mkdir -p gfx");
  SDL_Surface* s = makeSurface(w, h, 32);
  std::uniform_int_distribution<Uint32> word;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Uint32 v = word(rng);
      const bool keyed = v % 4 == 0 || (x % 37 == 5 && y % 50 < 20);
      reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch)[x] =
          keyed ? 0xFF00FFu : v & 0xFFFFFF;
    }
  SDL_SaveBMP(s, "gfx/bg_flag.png");
  SDL_FreeSurface(s);
  initHomeMade();
}

std::vector<Uint8> bufferBytes() {
  const Uint8* p = static_cast<const Uint8*>(homemadeBuffer->pixels);
  return std::vector<Uint8>(p, p + size_t(homemadeBuffer->pitch) * homemadeBuffer->h);
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

TEST_F(Flag, RowByRowCopyLeavesWhatColumnBlitsLeave) {
  // From the same buffer, one frame drawn each way must leave the same
  // words. The buffer starts random, so keyed pixels show whether they kept
  // what was there; phases spread over the sine's period, and the pictures
  // reach the bottom row (480), go past it (the first blit of a frame then
  // lands) and stop short of it (the columns' source clipped).
  std::mt19937 rng(17);
  std::uniform_int_distribution<Uint32> word;
  for (int h : {480, 490, 300}) {
    loadKeyedPicture(436, h, rng);
    ASSERT_NE(homemadeBuffer, nullptr);
    // A keyed picture in the display's format, as the flag's source is: the
    // copy by rows is what drawHomeMade takes.
    SDL_Surface* probe = SDL_DisplayFormat(homemadeBuffer);
    SDL_SetColorKey(probe, SDL_SRCCOLORKEY, SDL_MapRGB(probe->format, 255, 0, 255));
    ASSERT_TRUE(blitsKeyedCopy(probe, homemadeBuffer));
    SDL_FreeSurface(probe);
    for (unsigned phase = 0; phase < 512; phase += 20) {
      SCOPED_TRACE("height " + std::to_string(h) + " phase " + std::to_string(phase));
      for (int y = 0; y < homemadeBuffer->h; ++y)
        for (int x = 0; x < homemadeBuffer->w; ++x)
          reinterpret_cast<Uint32*>(static_cast<Uint8*>(homemadeBuffer->pixels) +
                                    y * homemadeBuffer->pitch)[x] = word(rng);
      const std::vector<Uint8> before = bufferBytes();
      sin_index = static_cast<uint16_t>(phase);
      byRows = false;
      drawHomeMade();
      const std::vector<Uint8> byColumns = bufferBytes();
      std::memcpy(homemadeBuffer->pixels, before.data(), before.size());
      sin_index = static_cast<uint16_t>(phase);
      byRows = true;
      drawHomeMade();
      ASSERT_NE(byColumns, before);  // the frame drew something
      ASSERT_EQ(bufferBytes(), byColumns);
    }
  }
}
