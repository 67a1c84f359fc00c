#include <gtest/gtest.h>

#include "demo/main.h"
#include "demo/transitions.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace {
class Transitions : public ::testing::Test {
 protected:
  SDL_Surface* savedBox = nullptr;
  SDL_Surface* savedBg = nullptr;
  void SetUp() override {
    testDisplay();
    resetShowState();
    savedBox = demoboxBuffer;
    savedBg = img_bg;
    demoboxBuffer = makeSurface(200, 150, 32);
    img_bg = nullptr;
    fill(screen, 0, 0, 0);
    fadeToScene = 1;
  }
  void TearDown() override {
    SDL_FreeSurface(demoboxBuffer);
    if (img_bg) SDL_FreeSurface(img_bg);
    demoboxBuffer = savedBox;
    img_bg = savedBg;
    resetShowState();
  }
};
}  // namespace

TEST_F(Transitions, FadeWithSixteenMillisecondFrames) {
  dt = 1.6f;
  for (int frame = 1; frame <= 31; ++frame) {
    fadeMainScene();
    ASSERT_EQ(mainTrans, 8 * frame);
    ASSERT_EQ(currentScene, 0);
  }
  fadeMainScene();  // 248 + 8 > 254: full white on the 32nd frame
  EXPECT_EQ(mainTrans, 255);
  EXPECT_EQ(currentScene, 1);
  EXPECT_EQ(rgbAt(screen, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(rgbAt(screen, 639, 479), 0xFFFFFFu);
  for (int frame = 1; frame <= 18; ++frame) {
    fadeMainScene();
    ASSERT_EQ(mainTrans, 255 - 14 * frame);  // toInt(14.4)
  }
  fadeMainScene();
  EXPECT_EQ(mainTrans, 0);
  EXPECT_EQ(currentScene, 1);
  fadeMainScene();
  EXPECT_EQ(mainTrans, 0);
}

TEST_F(Transitions, WhiteOverlayHasTheStrengthOfTheCounter) {
  dt = 25.6f;  // one step of 128
  fadeMainScene();
  ASSERT_EQ(mainTrans, 128);
  EXPECT_NEAR(int(rgbAt(screen, 320, 240) & 0xFF), 128, 2);
  EXPECT_EQ(rgbAt(screen, 0, 0), rgbAt(screen, 639, 479));
  // Falling by 9·dt over a fresh frame of the scene.
  currentScene = 1;
  mainTrans = 255;
  fill(screen, 0, 0, 0);
  dt = 10.0f;  // 90
  fadeMainScene();
  ASSERT_EQ(mainTrans, 165);
  EXPECT_NEAR(int(rgbAt(screen, 320, 240) & 0xFF), 165, 2);
}

TEST_F(Transitions, ZeroAndOneMillisecondFrames) {
  mainTrans = 100;
  demoboxTrans = 100;
  fadeTo = 1;
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
  currentScene = 1;
  currentEffect = 1;
  fadeMainScene();
  changeEffect();
  EXPECT_EQ(mainTrans, 100);
  EXPECT_EQ(demoboxTrans, 100);
}

TEST_F(Transitions, FadeDoesNothingVisibleOnceTheSceneIsAhead) {
  currentScene = 1;
  fill(screen, 30, 60, 90);
  dt = 1.6f;
  fadeMainScene();
  EXPECT_EQ(mainTrans, 0);
  EXPECT_EQ(rgbAt(screen, 320, 240), 0x1E3C5Au);
  // The song stepped on while the white was falling: it stays where it is.
  currentScene = 2;
  mainTrans = 100;
  fadeMainScene();
  EXPECT_EQ(mainTrans, 100);
  EXPECT_EQ(currentScene, 2);
  EXPECT_NE(rgbAt(screen, 320, 240), 0x1E3C5Au);
}

TEST_F(Transitions, EffectChangeStepsOnceAtTheHeightOfTheNoise) {
  fadeTo = 1;
  dt = 1.6f;
  int frames = 0;
  while (currentEffect == 0) {
    changeEffect();
    ++frames;
    ASSERT_LT(frames, 100);
  }
  EXPECT_EQ(frames, 32);
  EXPECT_EQ(demoboxTrans, 255);
  while (demoboxTrans > 0) {
    changeEffect();
    ASSERT_EQ(currentEffect, 1);
    ++frames;
  }
  EXPECT_EQ(frames, 32 + 32);  // 255 - 8·31 = 7, the 32nd step ends it
  // A target two ahead is reached one step per rise.
  fadeTo = 3;
  while (demoboxTrans < 255) changeEffect();
  EXPECT_EQ(currentEffect, 2);
  // An index past its target changes nothing.
  currentEffect = 5;
  demoboxTrans = 40;
  changeEffect();
  EXPECT_EQ(demoboxTrans, 40);
  EXPECT_EQ(currentEffect, 5);
}

TEST_F(Transitions, NoiseFillsTheBoxInGreysBelowWhite) {
  fadeTo = 1;
  dt = 1.6f;
  fill(demoboxBuffer, 255, 255, 255);
  changeEffect();
  int darkest = 255, brightest = 0;
  for (int frame = 0; frame < 6; ++frame) {
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x) {
        uint32_t p = rgbAt(demoboxBuffer, x, y);
        int v = p & 0xFF;
        ASSERT_EQ(p, uint32_t(v << 16 | v << 8 | v));
        ASSERT_LT(v, 255);
        darkest = std::min(darkest, v);
        brightest = std::max(brightest, v);
      }
    changeEffect();
  }
  EXPECT_EQ(darkest, 0);
  EXPECT_EQ(brightest, 254);

  // Back at 0 the box is left to the effect.
  demoboxTrans = 0;
  currentEffect = 1;
  fill(demoboxBuffer, 1, 2, 3);
  changeEffect();
  EXPECT_EQ(rgbAt(demoboxBuffer, 100, 100), 0x010203u);
}
