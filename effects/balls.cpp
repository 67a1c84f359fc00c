#include "effects/balls.h"

#include <SDL/sge.h>

#include <cmath>

#include "demo/character.h"
#include "demo/main.h"
#include "render/extra.h"
#include "render/gfx.h"

namespace {
constexpr int kBallsShown = 3;
constexpr int kBallSize = 100;  // the pictures' nominal size, ball centred at (50, 50)
constexpr int kBoxW = 200, kBoxH = 150;

Uint32 black() { return screen ? SDL_MapRGB(screen->format, 0, 0, 0) : 0; }

// Zoom breathes between 0 and 1, reaching both ends exactly.
void breathe(AmigaBall& b) {
  b.zoom = static_cast<float>(b.zoom + dt * 0.001 * b.zoomdir * b.zoomspeed);
  if (b.zoom > 1) {
    b.zoom = 1;
    b.zoomdir = -1;
  } else if (b.zoom < 0) {
    b.zoom = 0;
    b.zoomdir = 1;
  }
}

// The bounce tests see the ball as a box of half-size 50·zoom centred 50
// pixels from its corner, while the drawn square is centred s/2 from it; the
// two agree only at full size, so a small ball turns short of the right and
// bottom sides and passes out over the left and top ones.
void bounce(AmigaBall& b) {
  const double half = 50.0 * b.zoom;
  const int nx = toInt(b.dirx * dt * b.speedx) + b.x + kBallSize / 2;
  if (nx + half > kBoxW || nx - half < 0) b.dirx = -b.dirx;
  const int ny = toInt(b.diry * dt * b.speedy) + b.y + kBallSize / 2;
  if (ny + half > kBoxH || ny - half < 0) b.diry = -b.diry;
  b.x += toInt(b.speedx * dt) * b.dirx;
  b.y += toInt(b.speedy * dt) * b.diry;
}

// Spins and zooms the current ball picture about its centre into the canvas
// and blits the s×s square that holds it. The canvas keeps its own size: only
// the blitted region follows s, so nothing is written outside its pixels.
void drawBall(const AmigaBall& b, int s) {
  if (ball.curframe < 0 || ball.curframe >= 6) return;
  SDL_Surface* picture = ball.frames[ball.curframe];
  if (!tmp_rotate || !picture || !demoboxBuffer || s <= 0) return;
  sge_ClearSurface(tmp_rotate, black());
  sge_transform(picture, tmp_rotate, static_cast<float>(b.angle), b.zoom, b.zoom, kBallSize / 2,
                kBallSize / 2, static_cast<Uint16>(s / 2), static_cast<Uint16>(s / 2), SGE_TSAFE);
  // Keyed on magenta as every whole-picture blit leaves the box.
  SDL_SetColorKey(demoboxBuffer, SDL_SRCCOLORKEY, SDL_MapRGB(demoboxBuffer->format, 255, 0, 255));
  drawImg2(demoboxBuffer, tmp_rotate, b.x, b.y, s, s, 0, 0);
}
}  // namespace

void drawAmigaBalls() {
  // One picture cycle for all three balls.
  animate(&ball);
  if (demoboxBuffer) sge_ClearSurface(demoboxBuffer, black());
  for (int i = 0; i < kBallsShown; ++i) {
    AmigaBall& b = amigaball[i];
    // Spin by frames; movement and zoom by the clock (dt).
    b.angle += 1;
    breathe(b);
    // On the float value in double: a zoom of 0.29 gives 28, not 29.
    const int s = static_cast<int>(std::trunc(double(b.zoom) * kBallSize));
    bounce(b);
    drawBall(b, s);
  }
}
