#include <gtest/gtest.h>

#include "demo/clock.h"
#include "demo/main.h"
#include "demo/mainscene.h"
#include "effects/flag.h"
#include "effects/snowfall.h"
#include "effects/tvfilters.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace tv = tvfilters::detail;

namespace {
constexpr uint32_t kMarker = 0x123456;  // what earlier frames left on the screen
constexpr uint32_t kBox = 0x0A141E;     // the box picture

// Background pixel (x, y): red gives the row, green and blue the column.
uint32_t bgPixel(int x, int y) {
  return uint32_t(y % 256) << 16 | uint32_t(x % 256) << 8 | x / 256;
}

// A scene with only what the test puts in: a coded background, a plain box,
// no flag, no snow on screen, no backdrop effect, a clock outside every window.
class MainScene : public ::testing::Test {
 protected:
  SDL_Surface** const pictures[8] = {&img_bg,     &demoboxBuffer, &demoboxen,      &linje_uppe,
                                     &linje_nere, &img_snowflake, &img_snowflake2, &img_snowflake3};
  SDL_Surface* saved[8] = {};

  void SetUp() override {
    testDisplay();
    resetShowState();
    {
      TempCwd empty;  // no flag picture
      initHomeMade();
    }
    for (int i = 0; i < 8; ++i) {
      saved[i] = *pictures[i];
      *pictures[i] = nullptr;
    }
    img_bg = makeSurface(640, 480, 32);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        reinterpret_cast<Uint32*>(static_cast<Uint8*>(img_bg->pixels) + y * img_bg->pitch)[x] =
            bgPixel(x, y);
    demoboxBuffer = makeSurface(200, 150, 32);
    for (auto& f : snowfall::detail::starfield) f = {2000, 0, 0};
    currentScene = 1;
    currentEffect = 99;
    tv::draw = 1;
    tv::offset_y = 150;  // the noise line stays clear of the columns looked at
    clockUseVirtual(60);
    fill(screen, 0x12, 0x34, 0x56);
  }
  void TearDown() override {
    for (int i = 0; i < 8; ++i) {
      if (*pictures[i]) SDL_FreeSurface(*pictures[i]);
      *pictures[i] = saved[i];
    }
    clockUseReal();
    resetShowState();
  }
  void frameAt(double ms, float step) {
    clockSetVirtual(ms);
    dt = step;
    fill(demoboxBuffer, 10, 20, 30);
    tv::offset_y = 150;
    drawMainscene();
  }
};
}  // namespace

TEST_F(MainScene, BoxRestsElevenPixelsRight) {
  demoboxen = makeSurface(10, 10, 32);
  fill(demoboxen, 0, 255, 0);
  frameAt(45000, 0.0f);
  EXPECT_EQ(box_x_new, 11);
  EXPECT_EQ(box_y_new, 0);
  EXPECT_EQ(rgbAt(screen, 101, 150), 0x00FF00u);  // frame at (101, 150)
  EXPECT_EQ(rgbAt(screen, 100, 150), kMarker);
  EXPECT_EQ(rgbAt(screen, 126, 162), kBox);  // box at (126, 161)
  EXPECT_EQ(rgbAt(screen, 325, 310), kBox);
  EXPECT_EQ(rgbAt(screen, 125, 162), kMarker);
  EXPECT_EQ(rgbAt(screen, 326, 310), kMarker);
}

TEST_F(MainScene, SwayStandsStillBelowOneHundredthOfASecond) {
  for (int i = 0; i < 10; ++i) frameAt(45000 + i, 0.9f);
  EXPECT_EQ(box_x, 0);
  EXPECT_EQ(box_y, 0);
  // Each frame's fraction is cut off: at 1.6 the phases grow by one.
  for (int i = 0; i < 40; ++i) frameAt(45100 + 16 * i, 1.6f);
  EXPECT_EQ(box_x, 40);
  EXPECT_EQ(box_y, 40);
  EXPECT_EQ(box_y_new, -10);  // toInt(sin(-1.6)·10), follows box_x
  EXPECT_EQ(box_x_new, 17);   // toInt(sin(10.4)·-20), follows box_y
  box_x = 99;
  box_y = 99;
  frameAt(46000, 1.0f);
  EXPECT_EQ(box_y_new, 8);
  EXPECT_EQ(box_x_new, 20);
}

TEST_F(MainScene, AfterTheFadeOnlyFixedRegionsAreRepainted) {
  frameAt(45000, 0.0f);
  EXPECT_EQ(rgbAt(screen, 20, 20), kMarker);
  EXPECT_EQ(rgbAt(screen, 600, 20), kMarker);  // no flag picture
  // The lyric area, from 10 rows further down the background.
  EXPECT_EQ(rgbAt(screen, 10, 390), bgPixel(10, 400));
  EXPECT_EQ(rgbAt(screen, 309, 469), bgPixel(309, 479));
  EXPECT_EQ(rgbAt(screen, 9, 390), kMarker);
  EXPECT_EQ(rgbAt(screen, 310, 390), kMarker);
  EXPECT_EQ(rgbAt(screen, 10, 389), kMarker);
  // The region under the box, in place.
  EXPECT_EQ(rgbAt(screen, 80, 320), bgPixel(80, 320));
  EXPECT_EQ(rgbAt(screen, 209, 359), bgPixel(209, 359));
  EXPECT_EQ(rgbAt(screen, 79, 320), kMarker);
  EXPECT_EQ(rgbAt(screen, 210, 359), kMarker);
  EXPECT_EQ(rgbAt(screen, 80, 360), kMarker);

  mainTrans = 30;
  frameAt(45010, 0.0f);
  EXPECT_EQ(rgbAt(screen, 20, 20), bgPixel(20, 20));
  EXPECT_EQ(rgbAt(screen, 600, 20), bgPixel(600, 20));
}

TEST_F(MainScene, MovingBoxRepaintsTheStripsItUncovers) {
  // From (5, -3) to the rest position (11, 0): right and down.
  box_x_new = 5;
  box_y_new = -3;
  frameAt(45000, 0.0f);
  // Left strip: 20×190 at (85, 150), from 10 pixels further right.
  EXPECT_EQ(rgbAt(screen, 85, 150), bgPixel(95, 150));
  EXPECT_EQ(rgbAt(screen, 104, 319), bgPixel(114, 319));
  EXPECT_EQ(rgbAt(screen, 84, 150), kMarker);
  // Top strip: 200×20 at (95, 145), from 5 rows further down.
  EXPECT_EQ(rgbAt(screen, 95, 145), bgPixel(95, 150));
  EXPECT_EQ(rgbAt(screen, 294, 160), bgPixel(294, 165));
  EXPECT_EQ(rgbAt(screen, 295, 145), kMarker);
  EXPECT_EQ(rgbAt(screen, 120, 144), kMarker);

  // Left and up: nothing.
  fill(screen, 0x12, 0x34, 0x56);
  box_x_new = 15;
  box_y_new = 3;
  frameAt(45010, 0.0f);
  EXPECT_EQ(rgbAt(screen, 95, 150), kMarker);
  EXPECT_EQ(rgbAt(screen, 100, 145), kMarker);
}

TEST_F(MainScene, FlashInvertsTheBoxUntilMoreThan50msHavePassed) {
  demoinvert = 1;
  demoinvertstart = 45000;
  frameAt(45050, 0.0f);
  EXPECT_EQ(rgbAt(demoboxBuffer, 10, 1), 0xF5EBE1u);
  EXPECT_EQ(rgbAt(screen, 136, 162), 0xF5EBE1u);
  EXPECT_EQ(demoinvert, 1);
  frameAt(45051, 0.0f);  // the last inverted frame
  EXPECT_EQ(rgbAt(demoboxBuffer, 10, 1), 0xF5EBE1u);
  EXPECT_EQ(demoinvert, 0);
  frameAt(45060, 0.0f);
  EXPECT_EQ(rgbAt(demoboxBuffer, 10, 1), kBox);
  // A flash arriving meanwhile restarts the 50 ms.
  demoinvert = 1;
  demoinvertstart = 45040;
  frameAt(45070, 0.0f);
  demoinvertstart = 45065;
  frameAt(45100, 0.0f);
  EXPECT_EQ(demoinvert, 1);
  frameAt(45116, 0.0f);
  EXPECT_EQ(demoinvert, 0);
}

TEST_F(MainScene, EffectTimeTableOpensItsWindowsAfterTheLowerBound) {
  const struct {
    double ms;
    int fadeTo;
  } cases[] = {{37000, -1}, {37001, 1},  {41999, 1},   {42000, -1}, {51501, 2},
               {54999, 2},  {67001, 3},  {84999, 4},   {96001, 5},  {110001, 6},
               {125001, 7}, {129999, 7}, {130000, -1}, {140000, -1}};
  for (const auto& c : cases) {
    fadeTo = -1;
    frameAt(c.ms, 0.0f);
    EXPECT_EQ(fadeTo, c.fadeTo) << c.ms;
  }
  // Inside a window the box turns to noise.
  currentEffect = -1;
  frameAt(37500, 1.6f);
  EXPECT_EQ(demoboxTrans, 8);
  EXPECT_NE(rgbAt(demoboxBuffer, 10, 1), kBox);
}

TEST_F(MainScene, RollRunsTwoSecondsInEveryTen) {
  const struct {
    double ms;
    bool rolls;
  } cases[] = {{43000, false}, {43001, true}, {44999, true}, {45000, false}, {53500, true}};
  for (const auto& c : cases) {
    tv::tvOffset_y = 0;
    frameAt(c.ms, 1.0f);
    EXPECT_EQ(tv::tvOffset_y, c.rolls ? 2 : 0) << c.ms;
  }
}
