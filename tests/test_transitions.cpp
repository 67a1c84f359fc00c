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
    transitions::detail::hideCoveredDrawing = true;
    resetShowState();
  }
  // Whether changeEffect towards `target` rewrote every pixel of a box
  // painted magenta, which the grey noise never gives.
  bool changeCovers(int target) {
    fill(demoboxBuffer, 255, 0, 255);
    fadeTo = target;
    changeEffect();
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x)
        if (rgbAt(demoboxBuffer, x, y) == 0xFF00FFu) return false;
    return true;
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

TEST_F(Transitions, TheSwitchToKaraokeLeavesTheSameScreenWithoutTheBackgroundUnderItsWhite) {
  // The screen and the background hold a different word at every pixel, and
  // the screen is clipped to a part (the white must cover what the skipped
  // drawing would have, no more).
  SDL_Surface* savedBg = img_bg;
  SDL_Surface* background = makeSurface(640, 480, 32);
  Uint32 seed = 12345;
  const auto scramble = [&seed](SDL_Surface* s) {
    for (int y = 0; y < s->h; ++y)
      for (int x = 0; x < s->w; ++x) {
        seed = seed * 1103515245u + 12345u;
        reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch)[x] = seed;
      }
  };
  scramble(background);
  const SDL_Rect part = {30, 20, 300, 200};
  for (SDL_Surface* bg : {background, static_cast<SDL_Surface*>(nullptr)})
    for (const SDL_Rect* clip : {static_cast<const SDL_Rect*>(nullptr), &part}) {
      std::vector<Uint32> words[2];
      Uint32 flags[2], key[2];
      for (int hide = 0; hide < 2; ++hide) {
        resetShowState();
        fadeToScene = 1;
        transitions::detail::hideCoveredDrawing = hide == 1;
        img_bg = bg;
        seed = 99;
        scramble(screen);
        SDL_SetColorKey(screen, 0, 0);
        SDL_SetClipRect(screen, clip);
        mainTrans = 250;
        dt = 1.6f;
        fadeMainScene();
        ASSERT_EQ(currentScene, 1);
        SDL_SetClipRect(screen, nullptr);
        words[hide] = allPixels(screen);
        flags[hide] = screen->flags & SDL_SRCCOLORKEY;
        key[hide] = screen->format->colorkey;
      }
      EXPECT_TRUE(words[0] == words[1]);
      EXPECT_EQ(flags[0], flags[1]);
      EXPECT_EQ(key[0], key[1]);
      EXPECT_EQ(flags[1] != 0, bg != nullptr);
    }
  img_bg = savedBg;
  SDL_FreeSurface(background);
  SDL_SetColorKey(screen, 0, 0);
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

TEST_F(Transitions, NoiseWordsAreWhatSdlMapsEachGreyToInAnyLayout) {
  // Boxes whose channels lie elsewhere: one with an alpha byte, one whose
  // channels lose low bits and one whose channels are wider than a byte.
  // Every word is SDL_MapRGB of its draw's grey.
  const Uint32 layouts[][4] = {{0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
                               {0x00F80000, 0x0007E000, 0x00001F00, 0},
                               {0xFFC00000, 0x003FF000, 0x00000FFC, 0}};
  for (const auto& m : layouts) {
    SDL_Surface* box = SDL_CreateRGBSurface(SDL_SWSURFACE, 200, 150, 32, m[0], m[1], m[2], m[3]);
    noiseInto(box);
    showRandSeed(7);
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 200; ++x) {
        const Uint8 v = static_cast<Uint8>(showRand() % 255);
        ASSERT_EQ(pixelAt(box, x, y), SDL_MapRGB(box->format, v, v, v)) << x << ", " << y;
      }
    SDL_FreeSurface(box);
  }
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

TEST_F(Transitions, NoiseForetoldAgreesWithTheChangeAtEveryTurnOfTheCounter) {
  // Counters either side of the top (254 stays, 255 steps) and of 0, frame
  // times whose step rounds to 0, 1, 8 or past the whole range.
  const int counters[] = {0, 1, 2, 7, 8, 9, 200, 246, 247, 248, 253, 254, 255};
  const float dts[] = {0.0f, 0.09f, 0.1f, 0.2f, 1.6f, 1.7f, 4.2f, 60.0f};
  int covered = 0, bare = 0;
  for (int current = 0; current <= 2; ++current)
    for (int trans : counters)
      for (float frameDt : dts) {
        SCOPED_TRACE(::testing::Message()
                     << "current " << current << " counter " << trans << " dt " << frameDt);
        currentEffect = current;
        demoboxTrans = trans;
        dt = frameDt;
        const bool foretold = changeHidesBox(1);
        const EffectChangeStep step = effectChangeStep(trans, current, 1, frameDt);
        EXPECT_EQ(changeCovers(1), foretold);
        EXPECT_EQ(demoboxTrans, step.trans);
        EXPECT_EQ(currentEffect, current + (step.effectSteps ? 1 : 0));
        (foretold ? covered : bare) += 1;
      }
  // Both outcomes were met, each many times.
  EXPECT_GT(covered, 30);
  EXPECT_GT(bare, 30);
}

TEST_F(Transitions, NoiseForetoldOnlyABoxTheNoiseFillsWholeIsGivenUp) {
  currentEffect = 0;
  demoboxTrans = 100;
  dt = 1.6f;
  EXPECT_TRUE(changeHidesBox(1));
  transitions::detail::hideCoveredDrawing = false;
  EXPECT_FALSE(changeHidesBox(1));
  transitions::detail::hideCoveredDrawing = true;
  // A larger box keeps pixels the noise does not reach; a 16-bit one takes
  // the noise pixel by pixel.
  SDL_Surface* own = demoboxBuffer;
  for (SDL_Surface* other :
       {makeSurface(201, 150, 32), makeSurface(200, 151, 32), makeSurface(200, 150, 16)}) {
    demoboxBuffer = other;
    EXPECT_FALSE(changeHidesBox(1));
    SDL_FreeSurface(other);
  }
  demoboxBuffer = nullptr;
  EXPECT_FALSE(changeHidesBox(1));
  demoboxBuffer = own;
}
