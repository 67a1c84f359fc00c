#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "render/extra.h"
#include "tests/support.h"

TEST(ToInt, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(toInt(2.5f), 3);
  EXPECT_EQ(toInt(-2.5f), -3);
  EXPECT_EQ(toInt(2.4999f), 2);
  EXPECT_EQ(toInt(-0.4f), 0);
  EXPECT_EQ(toInt(-0.5f), -1);
  EXPECT_EQ(toInt(0.5f), 1);
  EXPECT_EQ(toInt(-0.0f), 0);
  // The largest float below one half: a float sum would round it up to 1.
  EXPECT_EQ(toInt(std::nextafter(0.5f, 0.0f)), 0);
  EXPECT_EQ(toInt(-std::nextafter(0.5f, 0.0f)), 0);
}

TEST(ToInt, SaturatesOutsideTheIntRange) {
  EXPECT_EQ(toInt(3e9f), INT32_MAX);
  EXPECT_EQ(toInt(-3e9f), INT32_MIN);
  EXPECT_EQ(toInt(NAN), 0);
}

TEST(ToInt, AgreesWithTruncatingTheHalfAddedToTheMagnitude) {
  // The rounding as first written, with the library's trunc, over random bit
  // patterns (every exponent, NaNs and infinities among them) and the floats
  // around the int range's ends.
  auto reference = [](float value) {
    const double v = value;
    const double r = v < 0 ? -std::trunc(-v + 0.5) : std::trunc(v + 0.5);
    if (!(r > -2147483648.0)) return r != r ? 0 : INT32_MIN;
    if (r > 2147483647.0) return INT32_MAX;
    return static_cast<int>(r);
  };
  uint32_t bits = 12345;
  for (int i = 0; i < 1000000; ++i) {
    bits = bits * 1664525u + 1013904223u;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    ASSERT_EQ(toInt(f), reference(f)) << std::hexfloat << f;
  }
  for (float edge : {2147483648.0f, -2147483648.0f, 8388608.0f, -8388608.0f, 0.5f, -0.5f, 1.5f})
    for (float f = edge, g = edge, k = 0; k < 64; ++k) {
      f = std::nextafter(f, INFINITY);
      g = std::nextafter(g, -INFINITY);
      ASSERT_EQ(toInt(f), reference(f)) << std::hexfloat << f;
      ASSERT_EQ(toInt(g), reference(g)) << std::hexfloat << g;
    }
}

TEST(DrawImg, KeysTheDestinationNotTheSource) {
  testDisplay();
  SDL_Surface* dst = makeSurface(8, 8, 32);
  SDL_Surface* src = makeSurface(4, 4, 32);
  fill(dst, 0, 0, 0);
  fill(src, 255, 0, 255);  // magenta in the source is copied, not left out
  drawImg(dst, src, 2, 2);
  EXPECT_TRUE(dst->flags & SDL_SRCCOLORKEY);
  EXPECT_EQ(dst->format->colorkey, SDL_MapRGB(dst->format, 255, 0, 255));
  EXPECT_FALSE(src->flags & SDL_SRCCOLORKEY);
  EXPECT_EQ(rgbAt(dst, 2, 2), 0xFF00FFu);
  EXPECT_EQ(rgbAt(dst, 1, 1), 0x000000u);

  // Blitting the keyed buffer leaves its magenta pixels out.
  SDL_Surface* target = makeSurface(8, 8, 32);
  fill(target, 10, 20, 30);
  drawImg2(target, dst, 0, 0, 8, 8, 0, 0);
  EXPECT_EQ(rgbAt(target, 3, 3), 0x0A141Eu);
  EXPECT_EQ(rgbAt(target, 0, 0), 0x000000u);
  SDL_FreeSurface(dst);
  SDL_FreeSurface(src);
  SDL_FreeSurface(target);
}

TEST(DrawImg, NullSurfacesDrawNothing) {
  SDL_Surface* s = makeSurface(4, 4, 32);
  drawImg(s, nullptr, 0, 0);
  drawImg(nullptr, s, 0, 0);
  drawImg2(nullptr, s, 0, 0, 1, 1, 0, 0);
  drawImgAlpha(s, nullptr, 0, 0, 10);
  mirrorImg(nullptr);
  drawPixel(nullptr, 0, 0, 1, 2, 3);
  line(nullptr, 0, 0, 3, 3);
  EXPECT_FALSE(s->flags & SDL_SRCCOLORKEY);
  SDL_FreeSurface(s);
}

TEST(DrawImg2, ClipsToTheSourceAndTouchesNoKey) {
  SDL_Surface* src = makeSurface(4, 4, 32);
  SDL_Surface* dst = makeSurface(10, 10, 32);
  fill(src, 200, 100, 50);
  fill(dst, 0, 0, 0);
  // A 4×4 region starting at (2, 2) of a 4×4 source: only its 2×2 corner exists.
  drawImg2(dst, src, 5, 5, 4, 4, 2, 2);
  EXPECT_EQ(rgbAt(dst, 5, 5), 0xC86432u);
  EXPECT_EQ(rgbAt(dst, 6, 6), 0xC86432u);
  EXPECT_EQ(rgbAt(dst, 7, 7), 0u);
  EXPECT_EQ(rgbAt(dst, 4, 5), 0u);
  EXPECT_FALSE(dst->flags & SDL_SRCCOLORKEY);
  // Wholly outside the source: nothing.
  fill(dst, 0, 0, 0);
  drawImg2(dst, src, 0, 0, 4, 4, 10, 10);
  EXPECT_EQ(rgbAt(dst, 0, 0), 0u);
  SDL_FreeSurface(src);
  SDL_FreeSurface(dst);
}

TEST(DrawImgAlpha, DimsTheCoveredRectangle) {
  SDL_Surface* src = makeSurface(4, 4, 32);
  SDL_Surface* dst = makeSurface(10, 10, 32);
  fill(src, 200, 200, 200);
  fill(dst, 0, 0, 200);
  drawImgAlpha(dst, src, 1, 1, 255);
  EXPECT_EQ(rgbAt(dst, 1, 1), 0xC8C8C8u);
  drawImgAlpha(dst, src, 1, 1, 0);
  EXPECT_EQ(rgbAt(dst, 2, 2), 0u);
  // Both corners inclusive: the row and column just past the picture darken too.
  EXPECT_EQ(rgbAt(dst, 5, 5), 0u);
  EXPECT_EQ(rgbAt(dst, 6, 6), 0x0000C8u);
  SDL_FreeSurface(src);
  SDL_FreeSurface(dst);
}

TEST(DrawPixel, WritesEveryByteWidth) {
  for (int bpp : {8, 16, 24, 32}) {
    SDL_Surface* s = makeSurface(5, 3, bpp);
    fill(s, 0, 0, 0);
    drawPixel(s, 4, 2, 255, 255, 255);
    EXPECT_EQ(pixelAt(s, 4, 2), SDL_MapRGB(s->format, 255, 255, 255)) << bpp;
    EXPECT_EQ(pixelAt(s, 3, 2), SDL_MapRGB(s->format, 0, 0, 0)) << bpp;
    EXPECT_EQ(pixelAt(s, 4, 1), SDL_MapRGB(s->format, 0, 0, 0)) << bpp;
    SDL_FreeSurface(s);
  }
}

TEST(DrawPixel, TwentyFourBitsGoLowestByteFirst) {
  SDL_Surface* s = makeSurface(3, 2, 24);
  fill(s, 0, 0, 0);
  drawPixel(s, 1, 1, 0x11, 0x22, 0x33);
  Uint32 v = SDL_MapRGB(s->format, 0x11, 0x22, 0x33);
  const Uint8* p = static_cast<Uint8*>(s->pixels) + s->pitch + 3;
  EXPECT_EQ(p[0], v & 0xFF);
  EXPECT_EQ(p[1], (v >> 8) & 0xFF);
  EXPECT_EQ(p[2], (v >> 16) & 0xFF);
  EXPECT_EQ(p[3], 0);  // the next pixel is untouched
  SDL_FreeSurface(s);
}

TEST(Line, AlwaysPureGreen) {
  for (int bpp : {16, 32}) {
    SDL_Surface* s = makeSurface(10, 10, bpp);
    fill(s, 0, 0, 0);
    line(s, 0, 0, 9, 9);
    EXPECT_EQ(pixelAt(s, 5, 5), SDL_MapRGB(s->format, 0, 255, 0));
    EXPECT_EQ(pixelAt(s, 5, 4), SDL_MapRGB(s->format, 0, 0, 0));
    // Clipped, not written past the edge.
    line(s, -20, 3, 40, 3);
    EXPECT_EQ(pixelAt(s, 9, 3), SDL_MapRGB(s->format, 0, 255, 0));
    SDL_FreeSurface(s);
  }
}

TEST(MirrorImg, ReversesColumnsExactly) {
  testDisplay();
  SDL_Surface* s = makeSurface(5, 2, 32);
  for (int x = 0; x < 5; ++x)
    for (int y = 0; y < 2; ++y) drawPixel(s, x, y, Uint8(x * 40), Uint8(y * 100), 7);
  mirrorImg(s);
  for (int x = 0; x < 5; ++x)
    for (int y = 0; y < 2; ++y)
      EXPECT_EQ(rgbAt(s, x, y), uint32_t((4 - x) * 40) << 16 | uint32_t(y * 100) << 8 | 7);
  SDL_FreeSurface(s);
}

TEST(MirrorImg, OneColumnStaysAndASecondCallZeroesMagenta) {
  testDisplay();
  SDL_Surface* one = makeSurface(1, 3, 32);
  fill(one, 1, 2, 3);
  mirrorImg(one);
  EXPECT_EQ(rgbAt(one, 0, 2), 0x010203u);
  SDL_FreeSurface(one);

  SDL_Surface* s = makeSurface(3, 1, 32);
  drawPixel(s, 0, 0, 255, 0, 255);
  drawPixel(s, 1, 0, 9, 9, 9);
  drawPixel(s, 2, 0, 1, 1, 1);
  mirrorImg(s);  // leaves the surface keyed on magenta
  EXPECT_EQ(rgbAt(s, 2, 0), 0xFF00FFu);
  EXPECT_EQ(rgbAt(s, 0, 0), 0x010101u);
  mirrorImg(s);  // now the magenta pixel is left out of the copy
  EXPECT_EQ(rgbAt(s, 0, 0), 0u);
  EXPECT_EQ(rgbAt(s, 2, 0), 0x010101u);
  SDL_FreeSurface(s);
}
