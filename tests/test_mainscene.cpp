#include <gtest/gtest.h>

#include "demo/clock.h"
#include "demo/main.h"
#include "demo/mainscene.h"
#include "effects/flag.h"
#include "effects/snowfall.h"
#include "effects/tvfilters.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace {
constexpr uint32_t kLeft = 0x123456;  // what earlier frames left on the screen
constexpr uint32_t kBox = 0x0A141E;

uint32_t bgPixel(int x, int y) {
  return uint32_t(y % 256) << 16 | uint32_t(x % 256) << 8 | x / 256;
}

// Only what the test puts in: a coded background, a plain box and a frame;
// no flag, no snow on screen, no backdrop effect.
class MainScene : public ::testing::Test {
 protected:
  SDL_Surface** const used[3] = {&img_bg, &demoboxBuffer, &demoboxen};
  SDL_Surface* saved[3] = {};
  void SetUp() override {
    testDisplay();
    resetShowState();
    {
      TempCwd empty;
      initHomeMade();
    }
    for (int i = 0; i < 3; ++i) saved[i] = *used[i];
    img_bg = makeSurface(640, 480, 32);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        reinterpret_cast<Uint32*>(static_cast<Uint8*>(img_bg->pixels) + y * img_bg->pitch)[x] =
            bgPixel(x, y);
    demoboxBuffer = makeSurface(200, 150, 32);
    demoboxen = makeSurface(10, 10, 32);
    fill(demoboxen, 0, 255, 0);
    for (auto& f : snowfall::detail::starfield) f = {2000, 0, 0};
    currentScene = 1;
    currentEffect = 99;
    clockUseVirtual(60);
    fill(screen, 0x12, 0x34, 0x56);
  }
  void TearDown() override {
    for (int i = 0; i < 3; ++i) {
      SDL_FreeSurface(*used[i]);
      *used[i] = saved[i];
    }
    clockUseReal();
    resetShowState();
  }
  void frameAt(double ms) {
    clockSetVirtual(ms);
    dt = 0.0f;
    fill(demoboxBuffer, 10, 20, 30);
    tvfilters::detail::offset_y = 150;  // the noise line away from column 10
    drawMainscene();
  }
};
}  // namespace

TEST_F(MainScene, BoxAtRestSitsElevenPixelsRight) {
  frameAt(45000);
  EXPECT_EQ(box_x_new, 11);
  EXPECT_EQ(box_y_new, 0);
  EXPECT_EQ(rgbAt(screen, 101, 150), 0x00FF00u);
  EXPECT_EQ(rgbAt(screen, 100, 150), kLeft);
  EXPECT_EQ(rgbAt(screen, 126, 162), kBox);
  EXPECT_EQ(rgbAt(screen, 125, 162), kLeft);
}

TEST_F(MainScene, AfterTheFadeOnlyFixedRegionsAndUncoveredStripsAreRepainted) {
  box_x_new = 5;  // moving right and down, to (11, 0)
  box_y_new = -3;
  frameAt(45000);
  EXPECT_EQ(rgbAt(screen, 20, 20), kLeft);
  EXPECT_EQ(rgbAt(screen, 10, 390), bgPixel(10, 400));  // lyrics: 10 rows further down
  EXPECT_EQ(rgbAt(screen, 310, 390), kLeft);
  EXPECT_EQ(rgbAt(screen, 209, 359), bgPixel(209, 359));
  EXPECT_EQ(rgbAt(screen, 210, 359), kLeft);
  EXPECT_EQ(rgbAt(screen, 85, 150), bgPixel(95, 150));  // left strip from 10 px right
  EXPECT_EQ(rgbAt(screen, 84, 150), kLeft);
  EXPECT_EQ(rgbAt(screen, 294, 160), bgPixel(294, 165));  // top strip from 5 rows down
  EXPECT_EQ(rgbAt(screen, 295, 145), kLeft);
  mainTrans = 30;
  frameAt(45010);
  EXPECT_EQ(rgbAt(screen, 20, 20), bgPixel(20, 20));
}

TEST_F(MainScene, WhileTheWhiteClearsTheBackgroundShowsWhereverTheFlagLeavesTheScreen) {
  SDL_Surface* const sceneFlag = homemadeBuffer;
  mainTrans = 30;
  const auto flagFrame = [&](int w, int h, bool keyed) {
    homemadeBuffer = flagWithHole(w, h, 100, 100, keyed);
    fill(screen, 0x12, 0x34, 0x56);
    frameAt(45010);
    SDL_FreeSurface(homemadeBuffer);
  };
  flagFrame(436, 480, false);  // the whole right part
  EXPECT_EQ(rgbAt(screen, 203, 20), bgPixel(203, 20));
  EXPECT_EQ(rgbAt(screen, 204, 20), 0x776655u);
  EXPECT_EQ(rgbAt(screen, 639, 479), 0x776655u);
  EXPECT_EQ(rgbAt(screen, 304, 100), 0xFF00FFu);
  flagFrame(435, 479, false);  // a column and a row short
  EXPECT_EQ(rgbAt(screen, 638, 478), 0x776655u);
  EXPECT_EQ(rgbAt(screen, 639, 20), bgPixel(639, 20));
  EXPECT_EQ(rgbAt(screen, 300, 479), bgPixel(300, 479));
  flagFrame(436, 480, true);  // keyed: the background shows through the key
  EXPECT_EQ(rgbAt(screen, 304, 100), bgPixel(304, 100));
  EXPECT_EQ(rgbAt(screen, 305, 100), 0x776655u);
  homemadeBuffer = sceneFlag;
}

TEST_F(MainScene, FlashInvertsTheBoxUntilMoreThan50msHavePassed) {
  demoinvert = 1;
  demoinvertstart = 45000;
  frameAt(45050);
  EXPECT_EQ(rgbAt(demoboxBuffer, 10, 1), 0xF5EBE1u);
  EXPECT_EQ(demoinvert, 1);
  frameAt(45051);  // still inverted, then over
  EXPECT_EQ(rgbAt(demoboxBuffer, 10, 1), 0xF5EBE1u);
  EXPECT_EQ(demoinvert, 0);
  frameAt(45060);
  EXPECT_EQ(rgbAt(demoboxBuffer, 10, 1), kBox);
}
