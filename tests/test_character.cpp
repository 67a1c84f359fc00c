#include <SDL/sge.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "demo/character.h"
#include "demo/clock.h"
#include "demo/main.h"
#include "effects/flag.h"
#include "render/blit.h"
#include "render/extra.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace {
constexpr uint32_t kScreen = 0x102030;  // what the scene left on the screen

SDL_Surface* solid(int w, int h, Uint8 r, Uint8 g, Uint8 b) {
  SDL_Surface* s = makeSurface(w, h, 32);
  fill(s, r, g, b);
  return s;
}

uint32_t rgb(Uint8 r, Uint8 g, Uint8 b) { return uint32_t(r) << 16 | uint32_t(g) << 8 | b; }

// Every sprite set gets frames of its own colour (red channel = set, green =
// frame); platform, flames, top line and flag picture are plain test
// surfaces. The catalogue's own are put back afterwards.
class Character : public ::testing::Test {
 protected:
  Animation* const sets[8] = {&walk, &clap, &stamp, &finger, &hello, &dance, &blinkcookie, &fire};
  Animation savedSets[8];
  SDL_Surface** const singles[3] = {&img_platform, &linje_uppe, &homemadeBuffer};
  SDL_Surface* savedSingles[3] = {};

  void SetUp() override {
    testDisplay();
    sge_Update_OFF();
    resetShowState();
    clockUseVirtual(60);
    clockSetVirtual(30000);
    // Frame counts and delays as the catalogue loads them.
    const int counts[8] = {4, 2, 2, 2, 2, 4, 6, 4},
              delays[8] = {200, 200, 200, 200, 200, 150, 500, 90};
    for (int i = 0; i < 8; ++i) {
      savedSets[i] = *sets[i];
      Animation& a = *sets[i];
      const bool flame = sets[i] == &fire;
      a = Animation{0, counts[i], 0, delays[i], {}};
      for (int f = 0; f < 6; ++f)
        a.frames[f] = f < a.numframes ? solid(flame ? 31 : 88, flame ? 8 : 78, Uint8(20 * (i + 1)),
                                              Uint8(40 * f + 10), 99)
                                      : nullptr;
    }
    for (int i = 0; i < 3; ++i) savedSingles[i] = *singles[i];
    img_platform = solid(103, 21, 1, 2, 3);
    linje_uppe = solid(640, 16, 4, 5, 6);
    // The flag picture: each pixel tells where it lies in the picture.
    homemadeBuffer = makeSurface(436, 480, 32);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 436; ++x) {
        SDL_Rect r = {Sint16(x), Sint16(y), 1, 1};
        SDL_FillRect(homemadeBuffer, &r,
                     SDL_MapRGB(homemadeBuffer->format, 200, Uint8(x), Uint8(y)));
      }
    fill(screen, 0x10, 0x20, 0x30);
  }
  void TearDown() override {
    for (int i = 0; i < 8; ++i) {
      for (SDL_Surface* f : sets[i]->frames)
        if (f) SDL_FreeSurface(f);
      *sets[i] = savedSets[i];
    }
    for (int i = 0; i < 3; ++i) {
      if (*singles[i]) SDL_FreeSurface(*singles[i]);
      *singles[i] = savedSingles[i];
    }
    clockUseReal();
    resetShowState();
  }

  uint32_t frameColour(Animation& a) {
    int i = 0;
    while (sets[i] != &a) ++i;
    return rgb(Uint8(20 * (i + 1)), Uint8(40 * a.curframe + 10), 99);
  }
  // The sway position the next frame will take, from the counters as they
  // will stand after it.
  static std::pair<int, int> swayAfter(float step) {
    int kx = int(kakmonsterx + step), ky = int(kakmonstery + step);
    int dy = int(std::lround(std::sin(kx * 0.04 + 40) * 20));
    int dx = int(std::lround(std::sin(ky * 0.006 + 10) * 70));
    return {cookie_x + dx, cookie_y + dy};
  }
  void frame(double ms, float step) {
    clockSetVirtual(ms);
    dt = step;
    drawAnimation();
  }
};
}  // namespace

TEST_F(Character, WalkGrowsInFromAHundredthOfDtThenWalksUnscaled) {
  // A 500 px walk picture at 0.016 comes out 8 px square.
  SDL_FreeSurface(walk.frames[1]);
  walk.frames[1] = solid(500, 500, 77, 88, 99);
  auto [x, y] = swayAfter(1.6f);
  frame(30016, 1.6f);
  EXPECT_FLOAT_EQ(animationscale, 0.016f);
  EXPECT_EQ(walk.curframe, 1) << "the first call after loading steps at once";
  EXPECT_EQ(rgbAt(screen, x + 7, y + 7), rgb(77, 88, 99));
  EXPECT_NE(rgbAt(screen, x + 9, y + 3), rgb(77, 88, 99));
  EXPECT_NE(rgbAt(screen, x + 3, y + 9), rgb(77, 88, 99));

  int frames = 1;
  for (double t = 30032; !animationstarted && frames < 200; t += 16) frame(t, 1.6f), ++frames;
  EXPECT_EQ(frames, 63) << "0.016 a frame passes 1.0 on the 63rd";
  std::tie(x, y) = swayAfter(1.6f);
  frame(31100, 1.6f);
  const uint32_t c = frameColour(walk);  // unscaled from now on: 88 px wide
  EXPECT_EQ(rgbAt(screen, x + 87, y + 10), c);
  EXPECT_NE(rgbAt(screen, x + 88, y + 10), c);
}

TEST_F(Character, GrowingSpriteIsPixelForPixelWhatSgesFormatSafeTransformDraws) {
  // A sprite of the loaded frames' format (32 bits, per-pixel alpha) with
  // every word different, alpha from clear to opaque.
  SDL_Surface* sprite = SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, 88, 78, 32, 0xFF0000,
                                             0xFF00, 0xFF, 0xFF000000);
  ASSERT_NE(sprite, nullptr);
  Uint32 seed = 12345;
  for (int y = 0; y < sprite->h; ++y)
    for (int x = 0; x < sprite->w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      reinterpret_cast<Uint32*>(static_cast<Uint8*>(sprite->pixels) + y * sprite->pitch)[x] = seed;
    }
  // The scene around the sprite with a clear sprite, the clock held so that
  // nothing steps or sways between frames.
  SDL_Surface* clear = SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, 88, 78, 32, 0xFF0000,
                                            0xFF00, 0xFF, 0xFF000000);
  SDL_FillRect(clear, nullptr, 0);
  for (SDL_Surface*& f : walk.frames)
    if (f) SDL_FreeSurface(f), f = nullptr;
  walk.numframes = 1;
  walk.frames[0] = clear;
  frame(30016, 0.0f);
  SDL_Surface* scene = SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE);
  walk.frames[0] = sprite;  // the fixture frees it
  SDL_FreeSurface(clear);

  auto [x, y] = swayAfter(0.0f);
  // Fine steps near the sizes where a row or column more comes in, and the
  // scales the show passes at 60 and 24 frames a second.
  std::vector<float> scales;
  for (int i = 1; i <= 400; ++i) scales.push_back(i / 400.0f);
  for (int i = 1; i < 63; ++i) scales.push_back(i * 0.016f);
  for (int i = 1; i < 24; ++i) scales.push_back(i * 0.0417f);
  for (float s : scales) {
    animationscale = s;
    frame(30016, 0.0f);
    SDL_Surface* expected = SDL_ConvertSurface(scene, scene->format, SDL_SWSURFACE);
    SDL_Surface* grown = sge_transform_surface(sprite, 0, 0.0f, s, s, SGE_TSAFE);
    ASSERT_NE(grown, nullptr);
    SDL_Rect at = {Sint16(x), Sint16(y), 0, 0};
    blitSurface(grown, nullptr, expected, &at);
    for (int py = y - 2; py < y + 100; ++py)
      for (int px = x - 22; px < x + 100; ++px)
        ASSERT_EQ(rgbAt(screen, px, py), rgbAt(expected, px, py))
            << "scale " << s << " at " << px << "," << py;
    SDL_FreeSurface(grown);
    SDL_FreeSurface(expected);
  }
  SDL_FreeSurface(scene);
}

TEST_F(Character, EraseRepaintsItsAreaFromTheFlagPictureAndMissingPicturesDrawNothing) {
  for (Animation* a : sets)
    for (SDL_Surface*& f : a->frames)
      if (f) SDL_FreeSurface(f), f = nullptr;
  SDL_FreeSurface(img_platform);
  img_platform = nullptr;
  auto [x, y] = swayAfter(1.6f);
  frame(30016, 1.6f);
  for (int py = y; py < y + 100; ++py)
    for (int px = x - 20; px < x + 90; ++px)
      ASSERT_EQ(rgbAt(screen, px, py), rgb(200, Uint8(px - 204), Uint8(py))) << px << "," << py;
  EXPECT_EQ(rgbAt(screen, x - 21, y), kScreen);
  EXPECT_EQ(rgbAt(screen, x + 90, y), kScreen);
  EXPECT_EQ(rgbAt(screen, x, y + 100), kScreen);
}

TEST_F(Character, GesturesByTheirNumberAndTheDanceWins) {
  animationstarted = 1;
  currentactionactive = 1;
  Animation* bySign[5] = {nullptr, &clap, &stamp, &finger, &hello};
  for (int action = 1; action <= 4; ++action) {
    currentaction = action;
    auto [x, y] = swayAfter(1.6f);
    frame(30016 + 300 * action, 1.6f);
    EXPECT_EQ(rgbAt(screen, x + 44, y + 20), frameColour(*bySign[action])) << action;
  }
  EXPECT_EQ(walk.curframe, 0) << "a gesture pauses the walk";

  // In the greetings section a gesture is not shown: the dance is.
  currentaction = 1;
  greetstart = 1;
  const int clapFrame = clap.curframe;
  auto [x, y] = swayAfter(1.6f);
  frame(33000, 1.6f);
  EXPECT_EQ(rgbAt(screen, x + 44, y + 20), frameColour(dance));
  EXPECT_EQ(clap.curframe, clapFrame);
}

TEST_F(Character, LastSceneRisesAndBlinksBehindThePlatform) {
  currentScene = 2;
  currentactionactive = greetstart = currentaction = 1;  // neither gesture nor dance here
  auto [x, y] = swayAfter(1.6f);
  frame(152000, 1.6f);
  EXPECT_EQ(cookie_y, 188);
  EXPECT_EQ(rgbAt(screen, x + 44, y - 2 + 20), frameColour(blinkcookie));
  EXPECT_EQ(rgbAt(screen, x + 10, y - 2 + 70), rgb(1, 2, 3)) << "platform in front";
  EXPECT_EQ(rgbAt(screen, 639, 105), rgb(4, 5, 6)) << "the line across the top";
  EXPECT_EQ(clap.curframe + dance.curframe + walk.curframe, 0);

  frame(152010, 0.4f);
  EXPECT_EQ(cookie_y, 188) << "toInt(0.4) is 0";
  for (int i = 0; i < 400; ++i) frame(152100 + 16 * i, 1.6f);
  EXPECT_EQ(cookie_y, 32) << "the last position above 30 in steps of 2";
  frame(160000, 1.0f);
  frame(160016, 1.0f);
  EXPECT_EQ(cookie_y, 31);
  frame(160032, -5.0f);
  EXPECT_EQ(cookie_y, 31) << "never back down";
}
