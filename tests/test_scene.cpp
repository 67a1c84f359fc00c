#include <gtest/gtest.h>

#include "demo/main.h"
#include "demo/transitions.h"
#include "render/gfx.h"
#include "render/random.h"
#include "tests/support.h"

namespace {
// The effect change draws its noise word by word into a 32-bit box and pixel
// by pixel into any other; both must take the same numbers in the same order.
class SceneNoise : public ::testing::Test {
 protected:
  SDL_Surface* savedBox = nullptr;
  void SetUp() override {
    testDisplay();
    resetShowState();
    savedBox = demoboxBuffer;
  }
  void TearDown() override {
    demoboxBuffer = savedBox;
    resetShowState();
  }
  // One frame of noise into `box` from seed 7; returns the generator's next number.
  int noiseInto(SDL_Surface* box) {
    demoboxBuffer = box;
    fadeTo = 1;
    dt = 1.6f;
    demoboxTrans = 0;
    currentEffect = 0;
    showRandSeed(7);
    changeEffect();
    return showRand();
  }
};
}  // namespace

TEST_F(SceneNoise, WordPathMatchesPixelPathAndStaysInsideTheBox) {
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
