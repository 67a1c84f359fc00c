#include <SDL/sge.h>
#include <gtest/gtest.h>

#include <vector>

#include "demo/clock.h"
#include "demo/greetscene.h"
#include "demo/main.h"
#include "effects/flag.h"
#include "effects/greetwipe.h"
#include "effects/tvfilters.h"
#include "render/gfx.h"
#include "render/kernels.h"
#include "tests/support.h"

using greetscene::detail::sluttransFraction;

namespace {
struct Ended {
  int status;
};

SDL_Surface* solid(int w, int h, Uint8 r, Uint8 g, Uint8 b) {
  SDL_Surface* s = makeSurface(w, h, 32);
  fill(s, r, g, b);
  return s;
}

// Scene 2 over a catalogue of test surfaces: no pictures but a plain
// greeting card in slot 0 (wiped in whole) and a plain background; the
// catalogue's own are put back afterwards.
class Greetscene : public ::testing::Test {
 protected:
  SDL_Surface** const pictures[13] = {
      &img_bg,         &homemadeBuffer,     &demoboxen,           &linje_uppe,
      &img_platform,   &tmpBuffer,          &img_snowflake,       &img_snowflake2,
      &img_snowflake3, &img_snowflake_dark, &img_snowflake2_dark, &img_snowflake3_dark,
      &demoboxBuffer};
  SDL_Surface* saved[13] = {};
  SDL_Surface* savedSlots[kGreetSlots] = {};
  sge_bmpFont* savedFonts[2] = {};

  void SetUp() override {
    testDisplay();
    sge_Update_OFF();
    resetShowState();
    clockUseVirtual(60);
    for (int i = 0; i < 13; ++i) saved[i] = *pictures[i], *pictures[i] = nullptr;
    for (int i = 0; i < kGreetSlots; ++i) savedSlots[i] = bajssurface[i], bajssurface[i] = nullptr;
    savedFonts[0] = font_intro, savedFonts[1] = font_intro_inverted;
    font_intro = font_intro_inverted = nullptr;

    img_bg = solid(640, 480, 0, 80, 0);
    demoboxBuffer = solid(200, 150, 0, 0, 0);
    bajssurface[0] = solid(200, 150, 10, 20, 30);
    greetwipe::detail::currentbajs = 0;
    greetwipe::detail::bajs_cur_x = 200;
    sluttransFraction = 0;
    lastbajs = 152000;
    currentScene = 2;
    fill(screen, 0, 0, 0);
    screenFlipped = nullptr;
    showEnding = nullptr;
  }
  void TearDown() override {
    for (int i = 0; i < 13; ++i) {
      if (*pictures[i]) SDL_FreeSurface(*pictures[i]);
      *pictures[i] = saved[i];
    }
    for (int i = 0; i < kGreetSlots; ++i) {
      if (bajssurface[i]) SDL_FreeSurface(bajssurface[i]);
      bajssurface[i] = savedSlots[i];
    }
    font_intro = savedFonts[0], font_intro_inverted = savedFonts[1];
    screenFlipped = nullptr;
    showEnding = nullptr;
    clockUseReal();
    resetShowState();
  }

  // One frame at `ms` of the show clock, outside the box's roll.
  void frame(double ms, float step) {
    clockSetVirtual(ms);
    dt = step;
    // Park the TV filter's noise column on the box's right edge.
    tvfilters::detail::offset_y = 199;
    drawGreetscene();
  }
  // A pixel of the box on a row the TV noise leaves alone.
  uint32_t boxPixel() { return rgbAt(screen, box_x_new + 115 + 20, box_y_new + 161 + 1); }
};
}  // namespace

TEST_F(Greetscene, FlashInvertsTheBoxForExactlyOneFrame) {
  frame(152100, 1.6f);
  EXPECT_EQ(boxPixel(), 0x0A141Eu);
  demoinvert = 1;
  frame(152116, 1.6f);
  EXPECT_EQ(boxPixel(), 0xF5EBE1u);
  EXPECT_EQ(demoinvert, 0);
  frame(152132, 1.6f);
  EXPECT_EQ(boxPixel(), 0x0A141Eu) << "no 50 ms here";
}

TEST_F(Greetscene, ClosingScrollerOnlyAfter162Seconds) {
  frame(162000, 1.6f);
  EXPECT_EQ(intro_x, 640.0) << "not at 162000 itself";
  frame(162001, 1.6f);
  EXPECT_EQ(intro_x, 636.0);
  frame(162017, 1.6f);
  EXPECT_EQ(intro_x, 632.0);
}

TEST_F(Greetscene, WhiteFadeRepaintsTheBackgroundAndKeepsTheFraction) {
  fill(screen, 200, 0, 200);
  slutfade = 1;
  frame(152100, 1.6f);
  EXPECT_EQ(sluttrans, 3);
  // Top left lies outside every region the scene repaints: only the white.
  uint32_t first = rgbAt(screen, 50, 50);
  EXPECT_NEAR(double(first >> 8 & 0xFF), 3, 1) << "magenta under white of strength 3";
  EXPECT_GT(first >> 16, 190u);
  frame(152116, 1.6f);
  EXPECT_EQ(sluttrans, 6);
  uint32_t second = rgbAt(screen, 50, 50);
  EXPECT_LT(second >> 16, 20u) << "the background, repainted in full";
  EXPECT_GT(second >> 8 & 0xFF, 80u);
  for (int i = 0; i < 3; ++i) frame(152132 + 16 * i, 1.6f);
  EXPECT_EQ(sluttrans, 16) << "five frames of 3.2";

  // Frames of 1 ms and less still move it.
  sluttrans = 100;
  for (int i = 0; i < 8; ++i) frame(152200 + i, 0.25f);
  EXPECT_EQ(sluttrans, 104);
  frame(152300, 0.0f);
  EXPECT_EQ(sluttrans, 104);
}

TEST_F(Greetscene, InTheWhiteFadeTheBackgroundShowsWhereverTheFlagLeavesTheScreen) {
  // What the end's white of strength `alpha` makes of a pixel.
  const auto white = [](Uint32 rgb, int alpha) {
    kernels::whiteRowScalar(&rgb, 1, Uint8(alpha));
    return rgb;
  };
  const Uint32 bg = 0x005000, flag = 0x776655;
  const auto flagFrame = [&](int w, int h, bool keyed) {
    homemadeBuffer = flagWithHole(w, h, 100, 20, keyed);
    fill(screen, 200, 0, 200);
    slutfade = 1;
    sluttrans = 30;
    frame(152100, 1.6f);
    SDL_FreeSurface(homemadeBuffer);
    homemadeBuffer = nullptr;
  };
  flagFrame(436, 480, false);  // the whole right part
  ASSERT_EQ(sluttrans, 33);
  EXPECT_EQ(rgbAt(screen, 203, 20), white(bg, 33));
  EXPECT_EQ(rgbAt(screen, 204, 20), white(flag, 33));
  EXPECT_EQ(rgbAt(screen, 639, 479), white(flag, 33));
  EXPECT_EQ(rgbAt(screen, 304, 20), white(0xFF00FF, 33));
  flagFrame(435, 479, false);  // a column and a row short
  EXPECT_EQ(rgbAt(screen, 638, 478), white(flag, 33));
  EXPECT_EQ(rgbAt(screen, 639, 20), white(bg, 33));
  EXPECT_EQ(rgbAt(screen, 300, 479), white(bg, 33));
  flagFrame(436, 480, true);  // keyed: the background shows through the key
  EXPECT_EQ(rgbAt(screen, 304, 20), white(bg, 33));
  EXPECT_EQ(rgbAt(screen, 305, 20), white(flag, 33));
}

TEST_F(Greetscene, PastFullWhiteTwentySixGreysThenOneSecondAndStatusOne) {
  static std::vector<uint32_t> greys;
  static std::vector<double> times;
  greys.clear();
  times.clear();
  screenFlipped = [] {
    greys.push_back(rgbAt(screen, 320, 240));
    times.push_back(clockVirtualMs());
  };
  showEnding = [](int status) { throw Ended{status}; };
  slutfade = 1;
  sluttrans = 252;
  frame(200000, 1.6f);
  EXPECT_EQ(sluttrans, 255) << "255 is not past full white";
  EXPECT_TRUE(greys.empty());

  int status = -1;
  try {
    frame(200016, 1.6f);
  } catch (const Ended& e) {
    status = e.status;
  }
  EXPECT_EQ(status, 1);
  ASSERT_EQ(greys.size(), 26u);
  for (size_t i = 0; i < greys.size(); ++i) {
    const uint32_t n = 255 - 10 * uint32_t(i);
    EXPECT_EQ(greys[i], n << 16 | n << 8 | n) << i;
    EXPECT_DOUBLE_EQ(times[i], 200016 + 20.0 * (i + 1)) << i;
  }
  EXPECT_EQ(greys.back(), 0x050505u);
  EXPECT_DOUBLE_EQ(clockVirtualMs(), 200016 + 26 * 20 + 1000.0);
}
