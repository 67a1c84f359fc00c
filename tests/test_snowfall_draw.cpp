// The snow drawn by drawStarfield against the same frame drawn the long way,
// one blitSurface per flake and one drawImg2 per repaired strip, over many
// frames of flakes scattered past every edge of the screen.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "demo/main.h"
#include "effects/snowfall.h"
#include "render/blit.h"
#include "render/extra.h"
#include "render/gfx.h"
#include "render/random.h"
#include "tests/support.h"

using snowfall::detail::Flake;
using snowfall::detail::kFlakes;
using snowfall::detail::starfield;

namespace {
// What a frame leaves: the screen's words, the flakes, and the next random
// number (equal only if both ways drew as many).
struct Snapshot {
  std::vector<Uint32> pixels;
  std::vector<Flake> flakes;
  int nextRandom;
  bool keyed;
};

Snapshot snapshot() {
  Snapshot o{std::vector<Uint32>(size_t(screen->w) * screen->h),
             std::vector<Flake>(starfield, starfield + kFlakes), showRand(),
             (screen->flags & SDL_SRCCOLORKEY) != 0};
  for (int y = 0; y < screen->h; ++y)
    std::memcpy(&o.pixels[size_t(y) * screen->w],
                static_cast<Uint8*>(screen->pixels) + y * screen->pitch, size_t(screen->w) * 4);
  return o;
}

void restore(const Snapshot& start, unsigned seed) {
  for (int y = 0; y < screen->h; ++y)
    std::memcpy(static_cast<Uint8*>(screen->pixels) + y * screen->pitch,
                &start.pixels[size_t(y) * screen->w], size_t(screen->w) * 4);
  std::memcpy(starfield, start.flakes.data(), sizeof starfield);
  SDL_SetColorKey(screen, 0, 0);
  showRandSeed(seed);
}

// How far each layer moves at the current dt, measured on flakes parked
// where they neither draw nor repair nor respawn.
void measureSteps(int steps[3]) {
  Flake saved[kFlakes];
  std::memcpy(saved, starfield, sizeof saved);
  const int scene = currentScene;
  currentScene = 1;
  for (int i = 0; i < kFlakes; ++i) starfield[i] = {20000, 200, i % 3};
  drawStarfield();
  for (int l = 0; l < 3; ++l) steps[l] = 20000 - starfield[l].x;
  currentScene = scene;
  std::memcpy(starfield, saved, sizeof saved);
}

// The frame the long way: every picture through blitSurface, every strip
// through drawImg2, in the order the flakes come.
void drawTheLongWay(const int steps[3]) {
  SDL_Surface* normal[3] = {img_snowflake, img_snowflake2, img_snowflake3};
  SDL_Surface* dark[3] = {img_snowflake_dark, img_snowflake2_dark, img_snowflake3_dark};
  const int stripExtra[3] = {20, 10, 10};
  bool drew = false;
  auto flake = [&](SDL_Surface* picture, int x, int y) {
    if (!picture) return;
    SDL_Rect to = {Sint16(x), Sint16(y), 0, 0};
    blitSurface(picture, nullptr, screen, &to);
    drew = true;
  };
  if (currentScene == 1 || currentScene == 2) {
    for (Flake& f : starfield) {
      const int x = f.x - steps[f.layer];
      if (mainTrans == 0 && x <= 204)
        drawImg2(screen, img_bg, x, f.y, steps[f.layer] + stripExtra[f.layer], 10, x, f.y);
      flake(f.y < 90 || f.y > 380 ? dark[f.layer] : normal[f.layer], x, f.y);
      f.x = x;
      if (f.x < 0) {
        drawImg2(screen, img_bg, 0, f.y, 20, 10, 0, f.y);
        f.x = showRand() % 100 + 640;
      }
    }
  } else {
    fillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
    const SDL_Rect whole = screen->clip_rect;
    SDL_Rect between = {0, 96, 640, 289};
    SDL_SetClipRect(screen, &between);
    for (Flake& f : starfield) {
      f.x -= steps[f.layer];
      flake(normal[f.layer], f.x, f.y);
      if (f.x < 0) f.x = showRand() % 100 + 640;
    }
    SDL_SetClipRect(screen, &whole);
  }
  if (drew) SDL_SetColorKey(screen, SDL_SRCCOLORKEY, SDL_MapRGB(screen->format, 255, 0, 255));
}

class SnowfallDraw : public ::testing::Test {
 protected:
  SDL_Surface** const pictures[7] = {
      &img_snowflake,       &img_snowflake2,      &img_snowflake3, &img_snowflake_dark,
      &img_snowflake2_dark, &img_snowflake3_dark, &img_bg};
  SDL_Surface* saved[7] = {};
  SDL_Surface* lines[2] = {};
  std::mt19937 rng{20240611};

  void SetUp() override {
    testDisplay();
    resetShowState();
    for (int i = 0; i < 7; ++i) saved[i] = *pictures[i];
    for (int i = 0; i < 7; ++i) *pictures[i] = nullptr;
    // The frame lines are drawn alike either way; left out they cannot hide
    // a difference under them.
    lines[0] = linje_uppe;
    lines[1] = linje_nere;
    linje_uppe = linje_nere = nullptr;
  }
  void TearDown() override {
    for (int i = 0; i < 7; ++i) {
      if (*pictures[i]) SDL_FreeSurface(*pictures[i]);
      *pictures[i] = saved[i];
    }
    linje_uppe = lines[0];
    linje_nere = lines[1];
    resetShowState();
  }

  Uint32 magenta() const { return SDL_MapRGB(screen->format, 255, 0, 255); }

  // Words of every kind: colours with and without bits in the unused byte,
  // and the key itself, often, with the key at every corner and edge.
  SDL_Surface* picture(int w, int h, int bpp, bool keyed) {
    SDL_Surface* s = makeSurface(w, h, bpp);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        Uint32 word = rng();
        if (bpp == 32 && keyed && (rng() % 3 == 0 || ((x == 0 || x == w - 1) && y % 2 == 0)))
          word = magenta();
        if (bpp == 32 && rng() % 5 == 0) word = magenta() | 0x01000000;
        Uint8* p = static_cast<Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
        std::memcpy(p, &word, s->format->BytesPerPixel);
      }
    if (keyed) SDL_SetColorKey(s, SDL_SRCCOLORKEY, magenta());
    return s;
  }

  void showPictures() {
    img_snowflake = picture(9, 9, 32, true);
    img_snowflake2 = picture(3, 3, 32, false);
    img_snowflake3 = picture(2, 2, 32, false);
    img_snowflake_dark = picture(9, 9, 32, true);
    img_snowflake2_dark = picture(3, 3, 32, false);
    img_snowflake3_dark = picture(2, 2, 32, false);
    img_bg = picture(640, 480, 32, false);
  }

  // x from well left of the screen to past where flakes respawn, y over
  // and past the top and bottom rows; positions near the edges often.
  Flake randomFlake() {
    const int nearX[] = {-25, -9, -3, -1, 0, 1, 196, 200, 204, 205, 630, 632, 638, 639, 640, 700};
    const int nearY[] = {-12, -9, -1, 0, 1, 88, 90, 96, 380, 381, 384, 471, 472, 478, 479, 485};
    Flake f;
    f.x = rng() % 2 ? nearX[rng() % 16] + int(rng() % 5) : int(rng() % 790) - 30;
    f.y = rng() % 2 ? nearY[rng() % 16] : int(rng() % 500) - 12;
    f.layer = int(rng() % 3);
    return f;
  }

  // Runs `frames` frames both ways from the same start and compares them.
  void compareFrames(int frames) {
    const float dts[] = {0.15f, 0.7f, 1.0f, 100.0f / 60, 100.0f / 24, 100.0f / 144, 9.5f};
    for (int frame = 0; frame < frames; ++frame) {
      dt = dts[rng() % 7];
      currentScene = int(rng() % 3);
      mainTrans = rng() % 4 == 0 ? int(rng() % 255) + 1 : 0;
      if (frame % 3 == 0) paintGradient(screen, rng(), 1, 1000);
      for (Flake& f : starfield)
        if (rng() % 4 == 0) f = randomFlake();
      int steps[3];
      measureSteps(steps);
      const Snapshot start = snapshot();
      const unsigned seed = rng();
      restore(start, seed);
      drawTheLongWay(steps);
      const Snapshot expected = snapshot();
      restore(start, seed);
      drawStarfield();
      const Snapshot got = snapshot();

      const auto where = [&] {
        return ::testing::Message() << "frame " << frame << " scene " << currentScene.load()
                                    << " dt " << dt << " mainTrans " << mainTrans;
      };
      ASSERT_EQ(got.nextRandom, expected.nextRandom) << where();
      ASSERT_EQ(got.keyed, expected.keyed) << where();
      for (int i = 0; i < kFlakes; ++i)
        ASSERT_EQ(got.flakes[i].x, expected.flakes[i].x) << where() << " flake " << i;
      for (size_t i = 0; got.pixels != expected.pixels && i < got.pixels.size(); ++i)
        ASSERT_EQ(got.pixels[i], expected.pixels[i])
            << where() << " at (" << i % 640 << ", " << i / 640 << ")";
    }
  }
};
}  // namespace

TEST_F(SnowfallDraw, FlakesAndStripsMatchTheLongWayPastEveryEdge) {
  showPictures();
  for (Flake& f : starfield) f = randomFlake();
  compareFrames(80);
}

TEST_F(SnowfallDraw, MatchesTheLongWayWithPicturesItCannotCopyItselfOrMissing) {
  showPictures();
  for (Flake& f : starfield) f = randomFlake();
  // A 24-bit background and dark flakes (converted by blitSurface), a keyed
  // small flake, and a flake with no picture at all.
  SDL_FreeSurface(img_bg);
  img_bg = picture(640, 480, 24, false);
  SDL_FreeSurface(img_snowflake_dark);
  img_snowflake_dark = picture(9, 9, 24, false);
  SDL_FreeSurface(img_snowflake2);
  img_snowflake2 = picture(3, 3, 32, true);
  SDL_FreeSurface(img_snowflake3_dark);
  img_snowflake3_dark = nullptr;
  compareFrames(40);
  // No background, and a flake picture of another size.
  SDL_FreeSurface(img_bg);
  img_bg = nullptr;
  SDL_FreeSurface(img_snowflake);
  img_snowflake = picture(17, 5, 32, true);
  compareFrames(40);
  // A background narrower and lower than the screen: strips cut at its edges.
  img_bg = picture(211, 475, 32, false);
  compareFrames(40);
}
