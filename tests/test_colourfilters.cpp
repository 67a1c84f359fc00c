#include <gtest/gtest.h>

#include <cstdlib>

#include "demo/main.h"
#include "effects/colourfilters.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace cf = colourfilters::detail;

namespace {
SDL_Surface* randomPicture(int w, int h) {
  SDL_Surface* s = makeSurface(w, h, 32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch)[x] =
          SDL_MapRGB(s->format, Uint8(std::rand()), Uint8(std::rand()), Uint8(std::rand()));
  return s;
}
}  // namespace

TEST(ColourFilters, NegativeTwiceRestoresEveryPixel) {
  testDisplay();
  SDL_Surface* s = randomPicture(37, 23);
  SDL_Surface* copy = SDL_ConvertSurface(s, s->format, 0);
  cf::rstart = 12;
  cf::neg_dir = -1;
  dt = 1.0f;
  negFilter(s);
  EXPECT_EQ(cf::rstart, 255);  // the next colour cycle starts from the plain negative
  EXPECT_EQ(cf::neg_dir, -1);
  EXPECT_EQ(rgbAt(s, 5, 5), 0xFFFFFFu - rgbAt(copy, 5, 5));
  negFilter(s);
  for (int y = 0; y < s->h; ++y)
    for (int x = 0; x < s->w; ++x) ASSERT_EQ(rgbAt(s, x, y), rgbAt(copy, x, y)) << x << "," << y;
  SDL_FreeSurface(s);
  SDL_FreeSurface(copy);
}

TEST(ColourFilters, FirstPsychoFrameIsTheExactNegative) {
  testDisplay();
  resetShowState();
  SDL_Surface* savedBox = demoboxBuffer;
  SDL_Surface* savedPsycho = img_psycho;
  demoboxBuffer = makeSurface(200, 150, 32);
  img_psycho = randomPicture(200, 150);
  cf::rstart = cf::gstart = cf::bstart = 255;
  cf::neg_dir = cf::gneg_dir = cf::bneg_dir = 1;
  dt = 1.0f;  // each start to 256, bounced back to 255, turned down
  drawPsycho();
  EXPECT_EQ(cf::gstart, 255);
  EXPECT_EQ(cf::bneg_dir, -1);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x)
      ASSERT_EQ(rgbAt(demoboxBuffer, x, y), 0xFFFFFFu - rgbAt(img_psycho, x, y)) << x << "," << y;
  drawPsycho();  // then the sweep falls; a start value of s maps c to s - c
  EXPECT_EQ(rgbAt(demoboxBuffer, 9, 9) >> 16, (254 - (rgbAt(img_psycho, 9, 9) >> 16)) & 0xFF);
  SDL_FreeSurface(demoboxBuffer);
  SDL_FreeSurface(img_psycho);
  demoboxBuffer = savedBox;
  img_psycho = savedPsycho;
  cf::rstart = cf::gstart = cf::bstart = 255;
  cf::neg_dir = cf::gneg_dir = cf::bneg_dir = 1;
}
