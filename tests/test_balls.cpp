#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "demo/clock.h"
#include "demo/main.h"
#include "effects/balls.h"
#include "render/gfx.h"
#include "tests/support.h"

namespace {
SDL_Surface* box() {
  testDisplay();
  if (!demoboxBuffer) demoboxBuffer = makeWorkSurface(200, 150);
  return demoboxBuffer;
}

// Ball 0 as given; balls 1 and 2 parked at zoom 0, where nothing of them is
// drawn and they do not move while dt is 0.
void setBall(int x, int y, float zoom, int zoomspeed, int dirx = 1, int diry = 1, int speedx = 1,
             int speedy = 1) {
  amigaball[0] = {x, y, dirx, diry, speedx, speedy, 0, zoom, 1, zoomspeed};
  for (int i = 1; i < 3; ++i) amigaball[i] = {60, 60, 1, 1, 1, 1, 0, 0.0f, 1, 0};
}

class Balls : public ::testing::Test {
 protected:
  void SetUp() override {
    box();
    for (int i = 0; i < 6; ++i) savedFrames[i] = ball.frames[i];
    savedCanvas = tmp_rotate;
    savedBalls[0] = amigaball[3];
  }
  void TearDown() override {
    // Pictures a test put in place are its own; the catalogue's come back.
    for (int i = 0; i < 6; ++i)
      if (ball.frames[i] != savedFrames[i]) {
        if (ball.frames[i]) SDL_FreeSurface(ball.frames[i]);
        ball.frames[i] = savedFrames[i];
      }
    if (tmp_rotate != savedCanvas) {
      if (tmp_rotate) SDL_FreeSurface(tmp_rotate);
      tmp_rotate = savedCanvas;
    }
    amigaball[3] = savedBalls[0];
    dt = 0;
    clockUseReal();
  }
  // Opaque white 100×100 ball pictures and a 100×100 canvas of their format.
  void whiteBalls() {
    for (int i = 0; i < 6; ++i) {
      ball.frames[i] = makeSurface(100, 100, 32);
      fill(ball.frames[i], 255, 255, 255);
    }
    tmp_rotate = makeSurface(100, 100, 32);
  }
  AmigaBall horizontal(int x, int dirx, float zoom, float step, int speedx = 1) {
    setBall(x, 50, zoom, 0, dirx, 1, speedx, 0);
    dt = step;
    drawAmigaBalls();
    return amigaball[0];
  }
  SDL_Surface* savedFrames[6];
  SDL_Surface* savedCanvas;
  AmigaBall savedBalls[1];
};
}  // namespace

TEST_F(Balls, FullSizeBallTurnsAtTheRightSide) {
  AmigaBall b = horizontal(100, 1, 1.0f, 1.0f);
  EXPECT_EQ(b.dirx, -1);
  EXPECT_EQ(b.x, 99);
  b = horizontal(99, 1, 1.0f, 1.0f);
  EXPECT_EQ(b.dirx, 1);
  EXPECT_EQ(b.x, 100);
  b = horizontal(0, -1, 1.0f, 1.0f);
  EXPECT_EQ(b.dirx, 1);
  EXPECT_EQ(b.x, 1);
}

TEST_F(Balls, HalfSizeBallTurnsOffCentre) {
  // Leftwards it passes half out of the box before turning...
  AmigaBall b = horizontal(-24, -1, 0.5f, 1.0f);
  EXPECT_EQ(b.dirx, -1);
  EXPECT_EQ(b.x, -25);
  b = horizontal(-25, -1, 0.5f, 1.0f);
  EXPECT_EQ(b.dirx, 1);
  EXPECT_EQ(b.x, -24);
  // ...and rightwards it turns 25 pixels short of the side.
  b = horizontal(124, 1, 0.5f, 1.0f);
  EXPECT_EQ(b.dirx, 1);
  EXPECT_EQ(b.x, 125);
  b = horizontal(125, 1, 0.5f, 1.0f);
  EXPECT_EQ(b.dirx, -1);
  EXPECT_EQ(b.x, 124);
}

TEST_F(Balls, VerticalBounceUsesTheBoxHeight) {
  setBall(50, 50, 1.0f, 0, 1, 1, 0, 1);
  dt = 1;
  drawAmigaBalls();
  EXPECT_EQ(amigaball[0].diry, -1);  // 50 + 1 + 50 + 50 > 150
  EXPECT_EQ(amigaball[0].y, 49);
}

TEST_F(Balls, ZoomReachesBothEndsExactly) {
  setBall(50, 20, 0.9995f, 1);
  dt = 1;
  drawAmigaBalls();
  EXPECT_EQ(amigaball[0].zoom, 1.0f);
  EXPECT_EQ(amigaball[0].zoomdir, -1);
  amigaball[0].zoom = 0.0005f;
  drawAmigaBalls();
  EXPECT_EQ(amigaball[0].zoom, 0.0f);
  EXPECT_EQ(amigaball[0].zoomdir, 1);
  // Ten seconds of dt from 0 to 1 at speed 1: 500 frames of 20 ms.
  int frames = 0;
  dt = 2;
  while (amigaball[0].zoomdir == 1 && frames < 1000) {
    drawAmigaBalls();
    ++frames;
  }
  EXPECT_NEAR(frames, 500, 1);
  EXPECT_EQ(amigaball[0].zoom, 1.0f);
}

TEST_F(Balls, MovementRoundsPerFrame) {
  struct Case {
    float dt;
    int speed, moved;
  };
  for (Case k : {Case{0.4f, 1, 0}, Case{0.5f, 1, 1}, Case{0.2f, 2, 0}, Case{0.3f, 2, 1},
                 Case{0.4f, 2, 1}, Case{1.6f, 1, 2}, Case{1.6f, 2, 3}}) {
    AmigaBall b = horizontal(50, 1, 0.2f, k.dt, k.speed);
    EXPECT_EQ(b.x - 50, k.moved) << "dt " << k.dt << " speed " << k.speed;
    EXPECT_EQ(b.angle, 1);  // spins whatever the step
  }
}

TEST_F(Balls, OnlyTheFirstThreeMove) {
  setBall(50, 50, 0.5f, 1);
  const AmigaBall fourth = amigaball[3];
  dt = 1.6f;
  for (int frame = 0; frame < 20; ++frame) drawAmigaBalls();
  EXPECT_EQ(amigaball[0].angle, 20);
  EXPECT_EQ(amigaball[3].x, fourth.x);
  EXPECT_EQ(amigaball[3].angle, fourth.angle);
}

TEST_F(Balls, SquareOf28ForZoom029) {
  whiteBalls();
  setBall(50, 50, 0.29f, 0);
  dt = 0;
  drawAmigaBalls();
  // The 29-pixel picture is cut to the 28-pixel square (0.29f · 100 in float
  // would be 29).
  EXPECT_EQ(rgbAt(demoboxBuffer, 50 + 27, 50 + 14), 0xFFFFFFu);
  EXPECT_EQ(rgbAt(demoboxBuffer, 50 + 28, 50 + 14), 0u);
  EXPECT_EQ(rgbAt(demoboxBuffer, 50 + 14, 50 + 27), 0xFFFFFFu);
  EXPECT_EQ(rgbAt(demoboxBuffer, 50 + 14, 50 + 28), 0u);
  EXPECT_EQ(rgbAt(demoboxBuffer, 49, 50 + 14), 0u);
}

TEST_F(Balls, ZoomZeroDrawsNothing) {
  whiteBalls();
  setBall(50, 50, 0.009f, 0);
  fill(demoboxBuffer, 30, 30, 30);
  dt = 0;
  drawAmigaBalls();
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(rgbAt(demoboxBuffer, x, y), 0u);
}

TEST_F(Balls, MissingPicturesStillMoveTheBalls) {
  for (SDL_Surface*& f : ball.frames) f = nullptr;
  tmp_rotate = nullptr;
  setBall(50, 50, 0.5f, 1);
  fill(demoboxBuffer, 30, 30, 30);
  dt = 1;
  drawAmigaBalls();
  EXPECT_EQ(amigaball[0].x, 51);
  EXPECT_EQ(rgbAt(demoboxBuffer, 75, 75), 0u);
}

// Ball pictures of any size: the catalogue's canvas is at least 100×100 and
// the blitted square never more than 100 pixels wide.
TEST_F(Balls, AnyPictureSizeThroughTheCatalogue) {
  for (int size : {30, 100, 250}) {
    TempCwd cwd;
    std::system("mkdir -p gfx");
    for (int i = 1; i <= 6; ++i) {
      SDL_Surface* s = makeSurface(size, size, 32);
      fill(s, Uint8(40 * i), 255, 255);
      SDL_SaveBMP(s, ("gfx/boll000" + std::to_string(i) + ".png").c_str());
      SDL_FreeSurface(s);
    }
    loadGfx();
    ASSERT_NE(tmp_rotate, nullptr);
    clockUseVirtual(60);
    const float steps[] = {0, 1.6f, 0.1f, 300, 1, 2.5f, 17, 0.4f};
    for (int frame = 0; frame < 600; ++frame) {
      clockSetVirtual(frame * 16.0);
      dt = steps[frame % 8];
      drawAmigaBalls();
      for (int i = 0; i < 3; ++i) {
        ASSERT_GE(amigaball[i].zoom, 0.0f);
        ASSERT_LE(amigaball[i].zoom, 1.0f);
      }
    }
    // A full-size ball at the corner fills no more than its 100-pixel square.
    setBall(0, 0, 1.0f, 0);
    dt = 0;
    drawAmigaBalls();
    for (int y = 0; y < 150; ++y) ASSERT_EQ(rgbAt(demoboxBuffer, 100, y), 0u) << size;
    for (int x = 0; x < 200; ++x) ASSERT_EQ(rgbAt(demoboxBuffer, x, 100), 0u) << size;
    if (size >= 100) {
      EXPECT_NE(rgbAt(demoboxBuffer, 50, 50), 0u) << size;
    }
  }
  // The catalogue owns what it loaded; leave it in place.
  for (int i = 0; i < 6; ++i) savedFrames[i] = ball.frames[i];
  savedCanvas = tmp_rotate;
}
