#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "demo/main.h"
#include "demo/transitions.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace {
class Transitions : public ::testing::Test {
 protected:
  SDL_Surface* savedBox = nullptr;
  void SetUp() override {
    testDisplay();
    resetShowState();
    savedBox = demoboxBuffer;
    demoboxBuffer = makeSurface(200, 150, 32);
    fadeToScene = 1;
    fadeTo = 1;
  }
  void TearDown() override {
    SDL_FreeSurface(demoboxBuffer);
    demoboxBuffer = savedBox;
    resetShowState();
  }
};
}  // namespace

TEST_F(Transitions, FadeWithSixteenMillisecondFrames) {
  dt = 1.6f;
  for (int frame = 1; frame <= 31; ++frame) fadeMainScene();
  EXPECT_EQ(mainTrans, 248);
  EXPECT_EQ(currentScene, 0);
  fadeMainScene();  // 256 > 254 on the 32nd frame
  EXPECT_EQ(mainTrans, 255);
  EXPECT_EQ(currentScene, 1);
  EXPECT_EQ(rgbAt(screen, 320, 240), 0xFFFFFFu);
  // Every word of the screen, corners and unused byte included, is white.
  const Uint32 white = SDL_MapRGB(screen->format, 255, 255, 255);
  const std::vector<Uint32> words = allPixels(screen);
  EXPECT_EQ(std::count(words.begin(), words.end(), white), long(words.size()));
  for (int frame = 1; frame <= 18; ++frame) fadeMainScene();
  EXPECT_EQ(mainTrans, 3);  // 14 a frame
  fadeMainScene();
  EXPECT_EQ(mainTrans, 0);
  EXPECT_EQ(currentScene, 1);
}

TEST_F(Transitions, ZeroAndOneMillisecondFrames) {
  mainTrans = demoboxTrans = 100;
  dt = 0.0f;
  fadeMainScene();
  changeEffect();
  EXPECT_EQ(mainTrans, 100);
  EXPECT_EQ(demoboxTrans, 100);
  dt = 0.1f;  // toInt(0.5) and toInt(0.9) are both 1
  fadeMainScene();
  changeEffect();
  EXPECT_EQ(mainTrans, 101);
  EXPECT_EQ(demoboxTrans, 101);
}

TEST_F(Transitions, EffectStepsOnceThroughNoiseThatNeverReachesWhite) {
  dt = 1.6f;
  int brightest = 0, frames = 0;
  do {
    fill(demoboxBuffer, 255, 255, 255);
    changeEffect();
    ++frames;
    if (demoboxTrans == 0) break;  // the box is the effect's again
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x) {
        uint32_t p = rgbAt(demoboxBuffer, x, y), v = p & 0xFF;
        ASSERT_EQ(p, v << 16 | v << 8 | v);
        brightest = std::max(brightest, int(v));
      }
  } while (demoboxTrans > 0 && frames < 100);
  EXPECT_EQ(brightest, 254);
  EXPECT_EQ(currentEffect, 1);
  EXPECT_EQ(frames, 64);  // 32 up, 32 down
}
