#include <gtest/gtest.h>

#include "demo/clock.h"
#include "demo/main.h"
#include "effects/greetwipe.h"
#include "render/gfx.h"
#include "tests/support.h"

using greetwipe::detail::bajs_cur_x;
using greetwipe::detail::currentbajs;
using greetwipe::detail::shownSlot;

namespace {
// Picture of slot s: column c is (s, c, 255 − c), so every column tells
// which picture and which of its columns it came from.
SDL_Surface* slotPicture(int slot, int w) {
  SDL_Surface* s = makeSurface(w, 150, 32);
  for (int x = 0; x < w; ++x) {
    SDL_Rect column = {Sint16(x), 0, 1, 150};
    SDL_FillRect(s, &column, SDL_MapRGB(s->format, Uint8(slot), Uint8(x), Uint8(255 - x)));
  }
  return s;
}

uint32_t columnColour(int slot, int c) {
  return uint32_t(slot) << 16 | uint32_t(c) << 8 | (255 - c);
}

// Thirteen test pictures in slots 0..12, 13 and 14 empty as in the show.
class GreetWipe : public ::testing::Test {
 protected:
  SDL_Surface* savedSlots[kGreetSlots] = {};
  SDL_Surface* savedBox = nullptr;

  void SetUp() override {
    testDisplay();
    resetShowState();
    clockUseVirtual(60);
    for (int i = 0; i < kGreetSlots; ++i) {
      savedSlots[i] = bajssurface[i];
      bajssurface[i] = i <= 12 ? slotPicture(i, 200) : nullptr;
    }
    savedBox = demoboxBuffer;
    demoboxBuffer = makeSurface(200, 150, 32);
    fill(demoboxBuffer, 1, 2, 3);
    currentbajs = 0;
    bajs_cur_x = 0;
    lastbajs = 151990;
    clockSetVirtual(152000);
    dt = 0;
  }
  void TearDown() override {
    for (int i = 0; i < kGreetSlots; ++i) {
      if (bajssurface[i]) SDL_FreeSurface(bajssurface[i]);
      bajssurface[i] = savedSlots[i];
    }
    SDL_FreeSurface(demoboxBuffer);
    demoboxBuffer = savedBox;
    clockUseReal();
    resetShowState();
  }
  void frameAt(double ms, float step = 0) {
    clockSetVirtual(ms);
    dt = step;
    drawBajs();
  }
};
}  // namespace

TEST_F(GreetWipe, EdgeAtZeroSmearsColumnZeroAcrossTheBox) {
  frameAt(152000);
  for (int x = 0; x < 200; x += 7)
    for (int y : {0, 75, 149}) ASSERT_EQ(rgbAt(demoboxBuffer, x, y), columnColour(0, 0)) << x;
}

TEST_F(GreetWipe, LeftOfTheEdgeAsIsAndTheEdgeColumnStretched) {
  bajs_cur_x = 60;
  frameAt(152000, 1.6f);
  for (int x = 0; x < 60; ++x) ASSERT_EQ(rgbAt(demoboxBuffer, x, 40), columnColour(0, x)) << x;
  for (int x = 60; x < 200; ++x) ASSERT_EQ(rgbAt(demoboxBuffer, x, 40), columnColour(0, 60)) << x;
  EXPECT_EQ(bajs_cur_x, 63);  // toInt(3.2)
}

TEST_F(GreetWipe, PictureChangesOneMillisecondAfterItsStand) {
  lastbajs = 152000;
  bajs_cur_x = 200;
  frameAt(157000);  // exactly 5000: not yet
  EXPECT_EQ(currentbajs, 0);
  EXPECT_EQ(bajs_cur_x, 200);
  frameAt(157001);
  EXPECT_EQ(currentbajs, 1);
  EXPECT_EQ(bajs_cur_x, 0);
  EXPECT_EQ(lastbajs, 157001u);
  // In the frame of the change the old picture was still drawn.
  EXPECT_EQ(rgbAt(demoboxBuffer, 199, 0), columnColour(0, 199));
  frameAt(157017);
  EXPECT_EQ(rgbAt(demoboxBuffer, 199, 0), columnColour(1, 0));

  // From 160 s on a picture stands 7000 ms, even one started under the 5 s rule.
  lastbajs = 155500;
  frameAt(159999);
  EXPECT_EQ(currentbajs, 1) << "4499 ms";
  frameAt(160000);
  EXPECT_EQ(currentbajs, 1) << "4500 ms, and the 5 s rule no longer applies";
  frameAt(162500);
  EXPECT_EQ(currentbajs, 1) << "7000 ms";
  frameAt(162501);
  EXPECT_EQ(currentbajs, 2);
  EXPECT_EQ(lastbajs, 162501u);
}

TEST_F(GreetWipe, SlotsThirteenAndFourteenShowTheLastCardThenTheShowStartsOver) {
  EXPECT_EQ(shownSlot(12), 12);
  EXPECT_EQ(shownSlot(13), 12);
  EXPECT_EQ(shownSlot(14), 12);
  EXPECT_EQ(shownSlot(-1), 0);
  currentbajs = 12;
  lastbajs = 200000;
  double t = 207001;
  for (int expected : {13, 14, 0, 1}) {
    frameAt(t);
    ASSERT_EQ(currentbajs, expected);
    bajs_cur_x = 200;
    frameAt(t + 16);
    const int shown = expected > 12 ? 12 : expected;
    EXPECT_EQ(rgbAt(demoboxBuffer, 5, 5), columnColour(shown, 5)) << "slot " << expected;
    t += 7001;
  }
}

TEST_F(GreetWipe, MissingPictureOrEarlyStartDrawNothingAndStayInTheTable) {
  SDL_FreeSurface(bajssurface[0]);
  bajssurface[0] = nullptr;
  frameAt(152000, 1.6f);
  for (int x = 0; x < 200; x += 13) ASSERT_EQ(rgbAt(demoboxBuffer, x, 20), 0x010203u);
  EXPECT_EQ(bajs_cur_x, 3) << "the wipe goes on";
  // The song can step into the last scene long before 150 s, with lastbajs 0.
  lastbajs = 0;
  for (int i = 0; i < 40; ++i) {
    frameAt(30000 + 5001.0 * i);
    ASSERT_GE(currentbajs, 0);
    ASSERT_LT(currentbajs, kGreetSlots);
  }
}
