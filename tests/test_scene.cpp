#include <SDL/sge.h>
#include <gtest/gtest.h>

#include <vector>

#include "demo/main.h"
#include "effects/snowfall.h"
#include "render/extra.h"
#include "render/gfx.h"
#include "render/random.h"
#include "tests/support.h"

// --- snow: the flakes and their repair strips against the plain drawImg
// sequence, the intro's flakes clipped between its bands against filling the
// bands over them ---
using snowfall::detail::Flake;
using snowfall::detail::starfield;

namespace {
// Every pixel its own colour, from a running number.
SDL_Surface* patterned(int w, int h, Uint32 seed) {
  SDL_Surface* s = makeSurface(w, h, 32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch)[x] = seed >> 4;
    }
  return s;
}

// A sprite keyed on magenta: the key along its border, at its corners and
// once inside, colour elsewhere.
SDL_Surface* keyedSprite(int w, int h, Uint32 seed) {
  SDL_Surface* s = patterned(w, h, seed);
  const Uint32 magenta = SDL_MapRGB(s->format, 255, 0, 255);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if ((x + y) % 3 == 0 || (x == w / 2 && y == h / 2))
        reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch)[x] = magenta;
  SDL_SetColorKey(s, SDL_SRCCOLORKEY, magenta);
  return s;
}

std::vector<Uint32> pixelsOf(SDL_Surface* s) {
  std::vector<Uint32> v;
  for (int y = 0; y < s->h; ++y)
    for (int x = 0; x < s->w; ++x) v.push_back(pixelAt(s, x, y));
  return v;
}

SDL_Surface* normalOf(int layer) {
  return layer == 0 ? img_snowflake : layer == 1 ? img_snowflake2 : img_snowflake3;
}
SDL_Surface* darkOf(int layer) {
  return layer == 0 ? img_snowflake_dark : layer == 1 ? img_snowflake2_dark : img_snowflake3_dark;
}
int stepAt(int layer) {
  return layer == 0   ? toInt(dt * 2.5f)
         : layer == 1 ? toInt(static_cast<float>(dt * 2.2))
                      : toInt(dt * 1.5f);
}

// The snow drawn through the general blitter alone, one call a picture.
void snowThroughBlitter() {
  const int extra[3] = {20, 10, 10};
  if (currentScene == 0) sge_ClearSurface(screen, SDL_MapRGB(screen->format, 0, 0, 0));
  for (Flake& f : starfield) {
    const int step = stepAt(f.layer), newx = f.x - step;
    if (currentScene == 0) {
      drawImg(screen, normalOf(f.layer), newx, f.y);
    } else {
      if (mainTrans == 0 && newx <= 204)
        drawImg2(screen, img_bg, newx, f.y, step + extra[f.layer], 10, newx, f.y);
      drawImg(screen, f.y < 90 || f.y > 380 ? darkOf(f.layer) : normalOf(f.layer), newx, f.y);
      if (newx < 0) drawImg2(screen, img_bg, 0, f.y, 20, 10, 0, f.y);
    }
    f.x = newx;
    if (f.x < 0) f.x = showRand() % 100 + 640;
  }
  if (currentScene == 0) {
    sge_FilledRect(screen, 0, 0, 640, 95, 0);
    sge_FilledRect(screen, 0, 480, 640, 385, 0);
  }
}

class SnowDirect : public ::testing::Test {
 protected:
  SDL_Surface** const used[9] = {&img_bg,
                                 &img_snowflake,
                                 &img_snowflake2,
                                 &img_snowflake3,
                                 &img_snowflake_dark,
                                 &img_snowflake2_dark,
                                 &img_snowflake3_dark,
                                 &linje_uppe,
                                 &linje_nere};
  SDL_Surface* saved[9] = {};
  void SetUp() override {
    testDisplay();
    sge_Update_OFF();
    resetShowState();
    for (int i = 0; i < 9; ++i) {
      saved[i] = *used[i];
      *used[i] = nullptr;
    }
    img_bg = patterned(640, 480, 1);
    img_snowflake = keyedSprite(9, 9, 2);
    img_snowflake_dark = keyedSprite(9, 9, 3);
    img_snowflake2 = patterned(3, 3, 4);
    img_snowflake2_dark = patterned(3, 3, 5);
    img_snowflake3 = keyedSprite(2, 2, 6);  // keyed small ones too
    img_snowflake3_dark = patterned(2, 2, 7);
  }
  void TearDown() override {
    for (int i = 0; i < 9; ++i) {
      if (*used[i]) SDL_FreeSurface(*used[i]);
      *used[i] = saved[i];
    }
    resetShowState();
  }
  // Flakes at every edge that cuts or keys them: the screen's sides, the
  // repaired columns' end, the dark rows' and the intro bands' edges.
  void placeFlakes() {
    const int xs[] = {-2,  0,   1,   2,   3,   5,   8,   9,   10,  200, 203, 204, 205, 206,
                      207, 215, 224, 225, 226, 300, 630, 632, 636, 638, 639, 640, 645, 700};
    const int ys[] = {-8, -1,  0,   1,   85,  86,  87,  88,  89,  90,  91,  94,  95,  96,
                      97, 376, 379, 380, 381, 384, 385, 386, 470, 471, 472, 475, 478, 479};
    int i = 0;
    for (int x : xs)
      for (int y : ys)
        if (i < snowfall::detail::kFlakes) starfield[i] = {x, y, i % 3}, ++i;
    for (; i < snowfall::detail::kFlakes; ++i) starfield[i] = {i * 7 % 740, i * 13 % 480, i % 3};
  }
  // Several frames both ways from one start; the screens, flakes and the
  // random numbers taken must agree after each.
  void expectSameAsBlitter(int scene, int trans) {
    const float dts[] = {1.0f, 0.0f, 1.6f, 0.15f, 3.0f, 4.4f};
    currentScene = scene;
    mainTrans = trans;
    placeFlakes();
    SDL_Surface* start = patterned(640, 480, 9);
    SDL_BlitSurface(start, nullptr, screen, nullptr);
    Flake flakes[snowfall::detail::kFlakes];
    std::copy(std::begin(starfield), std::end(starfield), flakes);
    std::vector<std::vector<Uint32>> direct;
    std::vector<int> directRand;
    showRandSeed(11);
    for (float d : dts) {
      dt = d;
      drawStarfield();
      direct.push_back(pixelsOf(screen));
      directRand.push_back(starfield[7].x * 1000 + starfield[150].x);
    }
    const int nextDirect = showRand();
    std::copy(std::begin(flakes), std::end(flakes), starfield);
    SDL_BlitSurface(start, nullptr, screen, nullptr);
    showRandSeed(11);
    for (size_t i = 0; i < std::size(dts); ++i) {
      dt = dts[i];
      snowThroughBlitter();
      EXPECT_EQ(starfield[7].x * 1000 + starfield[150].x, directRand[i]);
      const std::vector<Uint32> want = pixelsOf(screen);
      for (size_t p = 0; p < want.size(); ++p)
        ASSERT_EQ(direct[i][p], want[p]) << "frame " << i << " at " << p % 640 << "," << p / 640;
    }
    EXPECT_EQ(showRand(), nextDirect);
    SDL_FreeSurface(start);
  }
};
}  // namespace

TEST_F(SnowDirect, OverTheScenesWithAndWithoutRepairsAndInTheIntro) {
  expectSameAsBlitter(1, 0);
  expectSameAsBlitter(2, 0);
  expectSameAsBlitter(1, 60);
  expectSameAsBlitter(0, 0);
}

TEST_F(SnowDirect, KeysTheScreenOnMagentaAsTheBlitterDoes) {
  SDL_SetColorKey(screen, 0, 0);
  currentScene = 1;
  placeFlakes();
  dt = 1.0f;
  drawStarfield();
  EXPECT_TRUE(screen->flags & SDL_SRCCOLORKEY);
  EXPECT_EQ(screen->format->colorkey, SDL_MapRGB(screen->format, 255, 0, 255));
}

TEST_F(SnowDirect, PicturesTheBlitterConvertsOrBlendsStillMatch) {
  // One at a time: a 24-bit flake, one with per-pixel alpha and one with
  // alpha for the whole picture (none a word-for-word copy), and a
  // background keyed like the flakes.
  for (int odd = 0; odd < 4; ++odd) {
    SDL_Surface*& target = odd == 0   ? img_snowflake2
                           : odd == 1 ? img_snowflake3
                           : odd == 2 ? img_snowflake2_dark
                                      : img_bg;
    SDL_Surface* const kept = target;
    if (odd == 0) {
      target = SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 3, 24, 0xFF0000, 0xFF00, 0xFF, 0);
      fill(target, 10, 200, 30);
    } else if (odd == 1) {
      target = SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, 2, 2, 32, 0xFF, 0xFF00, 0xFF0000,
                                    0xFF000000);
      SDL_FillRect(target, nullptr, 0x80406080);
    } else if (odd == 2) {
      target = patterned(3, 3, 8);
      SDL_SetAlpha(target, SDL_SRCALPHA, 128);
    } else {
      target = patterned(640, 480, 10);
      SDL_SetColorKey(target, SDL_SRCCOLORKEY, pixelAt(target, 3, 100));
    }
    SCOPED_TRACE(odd);
    expectSameAsBlitter(1, 0);
    if (odd < 3) expectSameAsBlitter(0, 0);
    SDL_FreeSurface(target);
    target = kept;
  }
}
