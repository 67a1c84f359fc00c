// The bars are converted from their 24-bit rows four pixels at a time; SDL's
// own blit of the same bars at the same heights is the reference, for every
// width up to 17, bars cut by the box's top and bottom, and rows that end
// exactly where their pixels do.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "demo/main.h"
#include "effects/barscroller.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace bs = barscroller_detail;

namespace {
struct Bar {
  Bar(int w, int h, std::mt19937& rng) : bytes(size_t(3 * w) * h) {
    for (auto& b : bytes) b = static_cast<Uint8>(rng());
    surface =
        SDL_CreateRGBSurfaceFrom(bytes.data(), w, h, 24, 3 * w, 0x0000FF, 0x00FF00, 0xFF0000, 0);
  }
  ~Bar() { SDL_FreeSurface(surface); }
  std::vector<Uint8> bytes;
  SDL_Surface* surface;
};

class BarRows : public ::testing::Test {
 protected:
  void SetUp() override {
    testDisplay();
    savedBox = demoboxBuffer;
    for (int i = 0; i < 7; ++i)
      savedBars[i] = amigabars_gfx[i], savedState[i] = bs::amigascroller[i];
    dt = 0;
  }
  void TearDown() override {
    demoboxBuffer = savedBox;
    for (int i = 0; i < 7; ++i)
      amigabars_gfx[i] = savedBars[i], bs::amigascroller[i] = savedState[i];
  }
  SDL_Surface* savedBox;
  SDL_Surface* savedBars[7];
  bs::Bar savedState[7];
};
}  // namespace

TEST_F(BarRows, EveryWidthAndCutMatchesSdl) {
  std::mt19937 rng(1);
  for (int w = 1; w <= 17; ++w)
    for (int boxH : {150, 75, 60}) {
      // Bars as wide as the box, and wider; the short boxes cut the lower bars.
      std::vector<Bar*> bars;
      for (int i = 0; i < 7; ++i) {
        bars.push_back(new Bar(w + (i % 2) * 3, 20, rng));
        amigabars_gfx[i] = bars.back()->surface;
        bs::amigascroller[i] = {static_cast<int32_t>(rng() % 500), 0};
      }
      SDL_Surface* box = makeWorkSurface(w, boxH);
      SDL_Surface* reference = makeWorkSurface(w, boxH);
      demoboxBuffer = box;
      drawAmigaScroller();

      SDL_FillRect(reference, nullptr, 0);
      for (int i = 0; i < 7; ++i) {
        SDL_Rect at = {0, static_cast<Sint16>(bs::amigascroller[i].offset + 70), 0, 0};
        SDL_UpperBlit(amigabars_gfx[6 - i], nullptr, reference, &at);
      }
      for (int y = 0; y < boxH; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(pixelAt(box, x, y), pixelAt(reference, x, y))
              << "width " << w << " box height " << boxH << " at " << x << "," << y;
      EXPECT_TRUE(box->flags & SDL_SRCCOLORKEY) << "keyed as by drawImg";
      SDL_FreeSurface(box);
      SDL_FreeSurface(reference);
      for (Bar* b : bars) delete b;
    }
}
