#include <gtest/gtest.h>

#include <cstdlib>

#include "demo/main.h"
#include "effects/colourfilters.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace cf = colourfilters::detail;

namespace {
void paintRandom(SDL_Surface* s) {
  for (int y = 0; y < s->h; ++y)
    for (int x = 0; x < s->w; ++x) {
      Uint32* p = reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch) + x;
      *p = SDL_MapRGB(s->format, Uint8(std::rand()), Uint8(std::rand()), Uint8(std::rand()));
    }
}

class ColourFilters : public ::testing::Test {
 protected:
  SDL_Surface* savedBox = nullptr;
  SDL_Surface* savedPsycho = nullptr;
  void SetUp() override {
    testDisplay();
    resetShowState();
    savedBox = demoboxBuffer;
    savedPsycho = img_psycho;
    demoboxBuffer = makeSurface(200, 150, 32);
    img_psycho = makeSurface(200, 150, 32);
    std::srand(11);
    paintRandom(img_psycho);
    setStarts(255, 255, 255, 1, 1, 1);
  }
  void TearDown() override {
    SDL_FreeSurface(demoboxBuffer);
    if (img_psycho) SDL_FreeSurface(img_psycho);
    demoboxBuffer = savedBox;
    img_psycho = savedPsycho;
    setStarts(255, 255, 255, 1, 1, 1);
  }
  void setStarts(int r, int g, int b, int rd, int gd, int bd) {
    cf::rstart = r;
    cf::gstart = g;
    cf::bstart = b;
    cf::neg_dir = rd;
    cf::gneg_dir = gd;
    cf::bneg_dir = bd;
  }
};
}  // namespace

TEST_F(ColourFilters, NegativeTwiceRestoresEveryPixel) {
  SDL_Surface* s = makeSurface(37, 23, 32);  // rows padded or not, all pixels count
  std::srand(4);
  paintRandom(s);
  SDL_Surface* copy = SDL_ConvertSurface(s, s->format, 0);
  setStarts(12, 130, 7, -1, 1, -1);
  dt = 1.0f;
  negFilter(s);
  for (int y = 0; y < s->h; ++y)
    for (int x = 0; x < s->w; ++x) ASSERT_EQ(rgbAt(s, x, y), 0xFFFFFFu - rgbAt(copy, x, y));
  negFilter(s);
  for (int y = 0; y < s->h; ++y)
    for (int x = 0; x < s->w; ++x) ASSERT_EQ(rgbAt(s, x, y), rgbAt(copy, x, y));
  SDL_FreeSurface(s);
  SDL_FreeSurface(copy);
}

TEST_F(ColourFilters, NegativeResetsTheStartValuesButNotTheDirections) {
  setStarts(12, 130, 0, -1, 1, -1);
  dt = 1.0f;
  negFilter(demoboxBuffer);
  EXPECT_EQ(cf::rstart, 255);
  EXPECT_EQ(cf::gstart, 255);
  EXPECT_EQ(cf::bstart, 255);
  EXPECT_EQ(cf::neg_dir, -1);  // 12 - 2
  EXPECT_EQ(cf::gneg_dir, 1);  // 130 + 1
  EXPECT_EQ(cf::bneg_dir, 1);  // 0 - 1.4 rounded: bounced off 0
}

TEST_F(ColourFilters, FirstPsychoFrameIsTheExactNegative) {
  dt = 1.0f;
  drawPsycho();
  EXPECT_EQ(cf::rstart, 255);
  EXPECT_EQ(cf::gstart, 255);
  EXPECT_EQ(cf::bstart, 255);
  EXPECT_EQ(cf::neg_dir, -1);
  EXPECT_EQ(cf::gneg_dir, -1);
  EXPECT_EQ(cf::bneg_dir, -1);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x)
      ASSERT_EQ(rgbAt(demoboxBuffer, x, y), 0xFFFFFFu - rgbAt(img_psycho, x, y)) << x << "," << y;
  // Then the sweep falls: 1.1, 1.0 and 1.2 rounded to 1 each.
  drawPsycho();
  EXPECT_EQ(cf::rstart, 254);
  EXPECT_EQ(cf::gstart, 254);
  EXPECT_EQ(cf::bstart, 254);
}

TEST_F(ColourFilters, StartValuesWrapChannelsAndBounceOffZero) {
  setStarts(0, 40, 0, -1, 1, 1);
  dt = 0.4f;  // every step rounds to 0
  drawPsycho();
  EXPECT_EQ(cf::rstart, 0);
  EXPECT_EQ(cf::gstart, 40);
  Uint8 r, g, b, pr, pg, pb;
  SDL_GetRGB(Uint32(rgbAt(demoboxBuffer, 3, 3)), demoboxBuffer->format, &r, &g, &b);
  SDL_GetRGB(Uint32(rgbAt(img_psycho, 3, 3)), img_psycho->format, &pr, &pg, &pb);
  EXPECT_EQ(r, Uint8(-pr));  // 0 - c on 8 bits: 256 - c, and 0 stays 0
  EXPECT_EQ(g, Uint8(40 - pg));
  EXPECT_EQ(b, Uint8(-pb));

  dt = 1.0f;
  drawPsycho();  // red falls to -1: clamped to 0 and turned
  EXPECT_EQ(cf::rstart, 0);
  EXPECT_EQ(cf::neg_dir, 1);
  EXPECT_EQ(cf::gstart, 41);
  drawPsycho();
  EXPECT_EQ(cf::rstart, 1);
}

TEST_F(ColourFilters, EachOperationMovesTheStartsAtItsOwnSpeeds) {
  // Seen through the bounce: from 253 at dt 2 the flash moves red by 4,
  // blue by 3 (2.8) and green by 2, the colour cycling red by 2 (2.2), blue
  // by 2 (2.4) and green by 2; only steps past 255 turn a direction.
  dt = 2.0f;
  setStarts(253, 253, 253, 1, 1, 1);
  negFilter(demoboxBuffer);
  EXPECT_EQ(cf::neg_dir, -1);
  EXPECT_EQ(cf::bneg_dir, -1);
  EXPECT_EQ(cf::gneg_dir, 1);
  setStarts(253, 253, 253, 1, 1, 1);
  drawPsycho();
  EXPECT_EQ(cf::rstart, 255);
  EXPECT_EQ(cf::bstart, 255);
  EXPECT_EQ(cf::gstart, 255);
  EXPECT_EQ(cf::neg_dir, 1);
  EXPECT_EQ(cf::bneg_dir, 1);
  // Below half a step nothing moves in either.
  dt = 0.2f;
  setStarts(254, 254, 254, 1, 1, 1);
  negFilter(demoboxBuffer);
  EXPECT_EQ(cf::neg_dir, 1);
  setStarts(100, 100, 100, 1, 1, 1);
  dt = 0.4f;
  drawPsycho();
  EXPECT_EQ(cf::rstart, 100);
  EXPECT_EQ(cf::bstart, 100);
}

TEST_F(ColourFilters, MissingPictureOrOddSurfacesAreLeftAlone) {
  SDL_FreeSurface(img_psycho);
  img_psycho = nullptr;
  fill(demoboxBuffer, 10, 20, 30);
  dt = 1.0f;
  drawPsycho();
  EXPECT_EQ(rgbAt(demoboxBuffer, 5, 5), 0x0A141Eu);
  EXPECT_EQ(cf::rstart, 255);  // the sweep runs on all the same
  EXPECT_EQ(cf::neg_dir, -1);

  SDL_Surface* s16 = makeSurface(20, 20, 16);
  fill(s16, 10, 20, 30);
  Uint32 before = pixelAt(s16, 4, 4);
  negFilter(s16);
  EXPECT_EQ(pixelAt(s16, 4, 4), before);
  SDL_FreeSurface(s16);
  negFilter(nullptr);
}
