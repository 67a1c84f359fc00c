// The balls spin their pictures with a fixed-point walk of their own; SGE's
// safe transform into a freshly cleared canvas, blitted the same way, is the
// reference it must match pixel for pixel.
#include <SDL/sge.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "demo/clock.h"
#include "demo/main.h"
#include "effects/balls.h"
#include "render/extra.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace {
// Bytes R, G, B, A in memory, as the ball pictures load.
SDL_Surface* rgbaSurface(int w, int h) {
  return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0x000000FF, 0x0000FF00, 0x00FF0000,
                              0xFF000000);
}

// Random colours; alpha mostly 0 or 255 with some in between, as at the
// rim of a real ball.
SDL_Surface* noisyBall(std::mt19937& rng) {
  SDL_Surface* s = rgbaSurface(100, 100);
  for (int y = 0; y < 100; ++y) {
    Uint32* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
    for (int x = 0; x < 100; ++x) {
      const Uint32 pick = rng() % 8;
      const Uint32 alpha = pick < 3 ? 0 : pick < 6 ? 255 : rng() % 256;
      row[x] = (rng() & 0x00FFFFFF) | alpha << 24;
    }
  }
  return s;
}

class BallSpin : public ::testing::Test {
 protected:
  void SetUp() override {
    testDisplay();
    if (!demoboxBuffer) demoboxBuffer = makeWorkSurface(200, 150);
    for (int i = 0; i < 6; ++i) savedFrames[i] = ball.frames[i];
    savedCanvas = tmp_rotate;
    for (int i = 0; i < 3; ++i) savedBalls[i] = amigaball[i];
    std::mt19937 rng(7);
    picture = noisyBall(rng);
    for (int i = 0; i < 6; ++i) ball.frames[i] = picture;
    tmp_rotate = rgbaSurface(100, 100);
    reference = makeWorkSurface(200, 150);
    dt = 0;
  }
  void TearDown() override {
    for (int i = 0; i < 6; ++i) ball.frames[i] = savedFrames[i];
    SDL_FreeSurface(picture);
    SDL_FreeSurface(tmp_rotate);
    tmp_rotate = savedCanvas;
    SDL_FreeSurface(reference);
    for (int i = 0; i < 3; ++i) amigaball[i] = savedBalls[i];
    clockUseReal();
  }

  // Draws ball 0 alone at the given spin, zoom and corner, and the same ball
  // through SGE; every pixel of the box must agree.
  void expectSameAsSge(int angle, float zoom, int x, int y) {
    amigaball[0] = {x, y, 1, 1, 0, 0, angle - 1, zoom, 1, 0};
    for (int i = 1; i < 3; ++i) amigaball[i] = {0, 0, 1, 1, 0, 0, 0, 0.0f, 1, 0};
    drawAmigaBalls();

    SDL_FillRect(reference, nullptr, 0);
    const int s = static_cast<int>(std::trunc(double(zoom) * 100));
    if (s > 0) {
      SDL_Surface* canvas = rgbaSurface(100, 100);
      SDL_FillRect(canvas, nullptr, 0);
      sge_transform(picture, canvas, static_cast<float>(angle), zoom, zoom, 50, 50,
                    static_cast<Uint16>(s / 2), static_cast<Uint16>(s / 2), SGE_TSAFE);
      drawImg2(reference, canvas, x, y, s, s, 0, 0);
      SDL_FreeSurface(canvas);
    }
    for (int py = 0; py < 150; ++py)
      for (int px = 0; px < 200; ++px)
        ASSERT_EQ(pixelAt(demoboxBuffer, px, py), pixelAt(reference, px, py))
            << "pixel " << px << "," << py << " angle " << angle << " zoom " << zoom << " at " << x
            << "," << y;
  }

  SDL_Surface* picture = nullptr;
  SDL_Surface* reference = nullptr;
  SDL_Surface* savedFrames[6];
  SDL_Surface* savedCanvas;
  AmigaBall savedBalls[3];
};
}  // namespace

TEST_F(BallSpin, EveryTurnMatchesSge) {
  // Whole turns, with the quarter turns where sine and cosine hit 0 and 1.
  for (int angle = -360; angle <= 720; angle += 7) expectSameAsSge(angle, 0.73f, 40, 20);
  for (int angle : {0, 45, 90, 135, 180, 225, 270, 315, 360, 100000})
    expectSameAsSge(angle, 1.0f, 50, 25);
}

TEST_F(BallSpin, EveryZoomMatchesSge) {
  // Below 1/32 SGE holds the scale at 1/32; 0.29 draws the 28-pixel square;
  // odd and even squares put the centre on different halves.
  for (float zoom :
       {0.01f, 0.02f, 0.031f, 0.0313f, 0.05f, 0.29f, 0.333f, 0.5f, 0.51f, 0.999f, 1.0f})
    for (int angle : {0, 13, 90, 211}) expectSameAsSge(angle, zoom, 60, 40);
}

TEST_F(BallSpin, BallsCutByTheBoxEdgesMatchSge) {
  // Balls pass out over the left and top sides and short of the others.
  for (int x : {-60, -1, 0, 99, 150, 199})
    for (int y : {-45, 0, 75, 120, 149}) expectSameAsSge(x + y, 0.8f, x, y);
}

TEST_F(BallSpin, PictureClipRectangleBoundsTheSpin) {
  // SGE reads only inside the picture's clip rectangle.
  SDL_Rect inner = {10, 20, 70, 55};
  SDL_SetClipRect(picture, &inner);
  for (int angle : {0, 30, 95, 180}) expectSameAsSge(angle, 0.9f, 30, 30);
}

TEST_F(BallSpin, StaleCanvasOutsideTheSquareNeverShows) {
  // A big ball leaves its pixels on the canvas; a small one drawn after it
  // must show only its own.
  expectSameAsSge(10, 1.0f, 20, 20);
  expectSameAsSge(11, 0.3f, 20, 20);
  SDL_FillRect(tmp_rotate, nullptr, 0xFF00FF00);
  expectSameAsSge(12, 0.45f, 70, 40);
}
