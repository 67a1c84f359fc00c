#include "effects/snowfall.h"

#include <cstdlib>

#include "demo/state.h"
#include "effects/flag.h"
#include "render/blit.h"
#include "render/extra.h"
#include "render/gfx.h"
#include "render/random.h"

namespace snowfall::detail {
Flake starfield[kFlakes];
}

using snowfall::detail::Flake;
using snowfall::detail::starfield;

namespace {
// --- layer constants ---
// Pixels per hundredth of a second. The factors keep the precisions the show
// was tuned with (layer 1 in double); every product is narrowed to float
// before rounding, so at dt 1 the layers move 3, 2 and 2 pixels.
constexpr float kSpeed0 = 2.5f;
constexpr double kSpeed1 = 2.2;
constexpr float kSpeed2 = 1.5f;
// Width beyond the step of the strip repaired behind a flake: the widest
// flake of the layer (20 or 10 px). Flakes are at most 10 rows high.
constexpr int kRepairExtra[3] = {20, 10, 10};
constexpr int kRepairRows = 10;
// A flake leaving on the left gets the widest flake's strip at the edge.
constexpr int kEdgeRepairW = 20;
// Scene mode: flakes above row 90 or below row 380 are drawn dark.
constexpr int kDarkAbove = 90, kDarkBelow = 380;
// Intro bands, rows inclusive, and the frame lines laid over their edges.
constexpr int kTopBandLastRow = 95, kBottomBandFirstRow = 385;
constexpr int kUpperLineRow = 90, kLowerLineRow = 365;

int stepOf(int layer) {
  switch (layer) {
    case 0: return toInt(dt * kSpeed0);
    case 1: return toInt(static_cast<float>(dt * kSpeed1));
    default: return toInt(dt * kSpeed2);
  }
}

SDL_Surface* normalPicture(int layer) {
  switch (layer) {
    case 0: return img_snowflake;
    case 1: return img_snowflake2;
    default: return img_snowflake3;
  }
}

SDL_Surface* darkPicture(int layer) {
  switch (layer) {
    case 0: return img_snowflake_dark;
    case 1: return img_snowflake2_dark;
    default: return img_snowflake3_dark;
  }
}

// Just off the right edge: x 640..739.
void respawn(Flake& f) { f.x = showRand() % 100 + 640; }

// drawImg without its colour key: the key it puts on the screen does not
// bear on blits onto the screen, so the flakes set it once (keyScreen)
// rather than each. True when there was a picture to draw.
bool drawFlake(const BlitPlan& p, int x, int y) { return blitPlanned(p, nullptr, x, y); }

// drawImg2 of the background: the w×h strip at (x, y) put back in place.
void repair(const BlitPlan& bg, int x, int y, int w, int h) {
  const SDL_Rect strip = {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
                          static_cast<Uint16>(h)};
  blitPlanned(bg, &strip, x, y);
}

// The key drawImg would have left on the screen, if any flake was drawn.
void keyScreen(bool drewAny) {
  if (drewAny) keyMagenta(screen);
}

void drawOverScene() {
  const BlitPlan bg = planBlit(img_bg, screen);
  BlitPlan normal[3], dark[3];
  int steps[3];
  for (int l = 0; l < 3; ++l) {
    normal[l] = planBlit(normalPicture(l), screen);
    dark[l] = planBlit(darkPicture(l), screen);
    steps[l] = stepOf(l);
  }
  bool drewAny = false;
  for (Flake& f : starfield) {
    int step = steps[f.layer];
    int newx = f.x - step;
    // While the fade runs the scene repaints its whole background anyway,
    // and right of kFlagScreenX the flag repaints the screen every frame.
    if (mainTrans == 0 && newx <= kFlagScreenX)
      repair(bg, newx, f.y, step + kRepairExtra[f.layer], kRepairRows);
    bool isDark = f.y < kDarkAbove || f.y > kDarkBelow;
    drewAny |= drawFlake(isDark ? dark[f.layer] : normal[f.layer], newx, f.y);
    f.x = newx;
    if (f.x < 0) {
      repair(bg, 0, f.y, kEdgeRepairW, kRepairRows);
      respawn(f);
    }
  }
  keyScreen(drewAny);
}

void drawIntroSnow() {
  // sge_ClearSurface's fill; the show keeps SGE's display updates off, so
  // it would push nothing either.
  fillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
  // The bands are black from the clear: flakes clipped to the rows between
  // them leave what filling the bands over them would.
  const SDL_Rect whole = screen->clip_rect;
  SDL_Rect between = {0, kTopBandLastRow + 1, 640, kBottomBandFirstRow - kTopBandLastRow - 1};
  SDL_SetClipRect(screen, &between);
  BlitPlan normal[3];
  int steps[3];
  for (int l = 0; l < 3; ++l) {
    normal[l] = planBlit(normalPicture(l), screen);
    steps[l] = stepOf(l);
  }
  bool drewAny = false;
  for (Flake& f : starfield) {
    f.x -= steps[f.layer];
    drewAny |= drawFlake(normal[f.layer], f.x, f.y);
    if (f.x < 0) respawn(f);
  }
  SDL_SetClipRect(screen, &whole);
  keyScreen(drewAny);
}
}  // namespace

void initStarfield() {
  for (Flake& f : starfield) {
    f.x = showRand() % 640;
    f.y = showRand() % 480;
    f.layer = showRand() % 3;
  }
}

void drawStarfield() {
  if (!screen) return;
  int scene = currentScene.load();
  if (scene == 1 || scene == 2)
    drawOverScene();
  else
    drawIntroSnow();
  drawImg(screen, linje_uppe, 0, kUpperLineRow);
  drawImg(screen, linje_nere, 0, kLowerLineRow);
}
