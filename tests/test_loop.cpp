#include <gtest/gtest.h>

#include "demo/clock.h"
#include "demo/main.h"
#include "tests/support.h"

namespace {
int flips = 0;
void countFlip() { ++flips; }

class FrameLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    testDisplay();
    resetShowState();
    clockUseVirtual(60);
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
    flips = 0;
    frameShown = countFlip;
  }
  void TearDown() override {
    frameShown = nullptr;
    clockUseReal();
  }
  // Runs one frame starting at `ms` of show time.
  bool frameAt(double ms) {
    clockSetVirtual(ms);
    return runFrame();
  }
  void push(Uint8 type, SDLKey sym = SDLK_UNKNOWN) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.keysym.sym = sym;
    SDL_PushEvent(&e);
  }
};
}  // namespace

TEST_F(FrameLoop, DtIsTheTickDifferenceInHundredthsOfASecond) {
  frameAt(1234);  // the first frame counts from 0: loading time included
  EXPECT_FLOAT_EQ(dt, 123.4f);
  frameAt(1244);
  EXPECT_FLOAT_EQ(dt, 1.0f);
  frameAt(1260);
  EXPECT_FLOAT_EQ(dt, 1.6f);
  frameAt(1260);
  EXPECT_FLOAT_EQ(dt, 0.0f);
  EXPECT_EQ(td, 1260u);
}

TEST_F(FrameLoop, GreetingsWindowForcesSceneTwoOnEveryFrame) {
  currentScene = 1;
  frameAt(150000);  // lower bound is exclusive
  EXPECT_EQ(currentScene, 1);
  intro_x = 12.0;
  frameAt(150001);
  EXPECT_EQ(currentScene, 2);
  EXPECT_EQ(intro_x, 640.0);
  EXPECT_EQ(lastbajs, 150001u);
  currentScene = 3;  // the song stepped past the last scene
  intro_x = 12.0;
  frameAt(151999);  // upper bound is inclusive
  EXPECT_EQ(currentScene, 2);
  EXPECT_EQ(intro_x, 640.0);
  EXPECT_EQ(lastbajs, 151999u);
  currentScene = 3;
  frameAt(152000);
  EXPECT_EQ(currentScene, 3);
}

TEST_F(FrameLoop, ALongPauseSkipsTheGreetingsWindow) {
  currentScene = 1;
  frameAt(149990);
  frameAt(152100);
  EXPECT_EQ(currentScene, 1);
  EXPECT_EQ(lastbajs, 0u);
}

TEST_F(FrameLoop, IntroFadeWindowOpensAfter21Seconds) {
  frameAt(21000);
  EXPECT_EQ(fadeToScene, 0);
  frameAt(21001);
  EXPECT_EQ(fadeToScene, 1);
}

TEST_F(FrameLoop, QuitTakesEffectAfterTheFlip) {
  EXPECT_TRUE(frameAt(100));
  EXPECT_EQ(flips, 1);
  push(SDL_QUIT);
  EXPECT_FALSE(frameAt(116));
  EXPECT_EQ(flips, 2);  // the frame in which quit was seen is still shown
  push(SDL_KEYDOWN, SDLK_ESCAPE);
  EXPECT_FALSE(frameAt(133));
  EXPECT_EQ(flips, 3);
}

TEST_F(FrameLoop, OtherKeysAndReleasesDoNotQuit) {
  push(SDL_KEYUP, SDLK_ESCAPE);
  push(SDL_KEYDOWN, SDLK_f);
  push(SDL_KEYUP, SDLK_f);
  push(SDL_KEYDOWN, SDLK_SPACE);
  EXPECT_TRUE(frameAt(100));
  SDL_Event e;
  EXPECT_EQ(SDL_PollEvent(&e), 0);  // the whole queue was drained
}

TEST(Clock, VirtualFramesFollowTheFrameRate) {
  clockUseVirtual(60);
  uint32_t previous = clockTicks();
  EXPECT_EQ(previous, 0u);
  for (int k = 1; k <= 120; ++k) {
    clockPaceFrame();
    uint32_t now = clockTicks();
    EXPECT_TRUE(now - previous == 16 || now - previous == 17) << k;
    previous = now;
  }
  EXPECT_EQ(clockTicks(), 2000u);
  // A delay moves the clock; the next frame starts on the next boundary.
  clockDelay(5);
  EXPECT_EQ(clockTicks(), 2005u);
  clockPaceFrame();
  EXPECT_EQ(clockTicks(), 2016u);
  clockUseReal();
}

TEST(Clock, AdvanceHookSeesEveryStep) {
  static double covered = 0;
  covered = 0;
  clockAdvanced = [](double from, double to) { covered += to - from; };
  clockUseVirtual(50);
  for (int k = 0; k < 50; ++k) clockPaceFrame();
  clockDelay(250);
  clockAdvanced = nullptr;
  clockUseReal();
  EXPECT_DOUBLE_EQ(covered, 1250.0);
}

TEST(Clock, JoiningLateTheRealClockGoesOnFromTheVirtualTime) {
  testDisplay();
  clockUseVirtual(60);
  clockSetVirtual(243500.0);
  clockUseRealFrom(clockVirtualMs());
  const uint32_t now = clockTicks();
  EXPECT_GE(now, 243500u);
  EXPECT_LT(now, 243600u);
  SDL_Delay(20);
  EXPECT_GE(clockTicks(), now + 20);
  clockUseReal();
  EXPECT_LT(clockTicks(), 243500u);
}
