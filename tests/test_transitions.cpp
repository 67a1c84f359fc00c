#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "demo/main.h"
#include "demo/transitions.h"
#include "render/gfx.h"
#include "render/random.h"
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
  // One frame of effect-change noise into `box` from seed 7 (the fixture's
  // own box put back after); returns the generator's next number. The noise
  // goes word by word into a 32-bit box and pixel by pixel into any other:
  // both must take the same numbers in the same order.
  int noiseInto(SDL_Surface* box) {
    SDL_Surface* own = demoboxBuffer;
    demoboxBuffer = box;
    fadeTo = 1;
    dt = 1.6f;
    demoboxTrans = 0;
    currentEffect = 0;
    showRandSeed(7);
    changeEffect();
    demoboxBuffer = own;
    return showRand();
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

TEST_F(Transitions, NoiseWordByWordMatchesPixelByPixelAndStaysInsideTheBox) {
  SDL_Surface* wide = makeSurface(203, 151, 32);  // wider rows than the box, one row more
  SDL_Surface* narrow = makeSurface(200, 150, 24);
  fill(wide, 1, 2, 3);
  fill(narrow, 1, 2, 3);
  const int afterWide = noiseInto(wide);
  const int afterNarrow = noiseInto(narrow);
  EXPECT_EQ(afterWide, afterNarrow);  // as many numbers taken
  int levels[256] = {};
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) {
      const uint32_t p = rgbAt(wide, x, y);
      ASSERT_EQ(p, rgbAt(narrow, x, y)) << x << "," << y;
      ++levels[p & 0xFF];
    }
  EXPECT_EQ(levels[255], 0);
  EXPECT_GT(levels[0], 0);
  EXPECT_GT(levels[254], 0);
  for (int y = 0; y < 151; ++y)
    for (int x = 200; x < 203; ++x) ASSERT_EQ(rgbAt(wide, x, y), 0x010203u);
  for (int x = 0; x < 203; ++x) ASSERT_EQ(rgbAt(wide, x, 150), 0x010203u);
  SDL_FreeSurface(wide);
  SDL_FreeSurface(narrow);
}

TEST_F(Transitions, NoiseLevelsAreTheDrawsModulo255RowByRow) {
  SDL_Surface* box = makeSurface(200, 150, 32);
  noiseInto(box);
  showRandSeed(7);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) {
      const uint32_t v = static_cast<uint32_t>(showRand() % 255);
      ASSERT_EQ(rgbAt(box, x, y), v << 16 | v << 8 | v) << x << ", " << y;
    }
  SDL_FreeSurface(box);
}
