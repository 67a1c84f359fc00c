#include "demo/mainscene.h"

#include <cmath>
#include <cstdint>

#include "demo/character.h"
#include "demo/clock.h"
#include "demo/state.h"
#include "demo/transitions.h"
#include "effects/balls.h"
#include "effects/barscroller.h"
#include "effects/colourfilters.h"
#include "effects/cube.h"
#include "effects/flag.h"
#include "effects/grid.h"
#include "effects/lyrics.h"
#include "effects/plasma.h"
#include "effects/snowfall.h"
#include "effects/stars.h"
#include "effects/tunnel.h"
#include "effects/tvfilters.h"
#include "render/blit.h"
#include "render/extra.h"
#include "render/gfx.h"

namespace {
// --- effect time table: clock windows (ms, lower bound exclusive) and the
// effect each one changes to ---
struct EffectWindow {
  Uint32 fromMs, toMs;
  int effect;
};
constexpr EffectWindow kEffectWindows[] = {
    {37000, 41999, 1}, {51500, 54999, 2},   {67000, 69999, 3},   {81000, 84999, 4},
    {96000, 99999, 5}, {110000, 114999, 6}, {125000, 129999, 7},
};

// The roll runs while the clock modulo 10 s lies in 3001..4999 ms.
constexpr Uint32 kRollPeriodMs = 10000, kRollFromMs = 3000, kRollToMs = 4999;
// A flash inverts the box until more than this has passed since its cue.
constexpr Uint32 kFlashMs = 50;

// --- box geometry, relative to the sway offset (box_x_new, box_y_new) ---
constexpr int kBufferX = 115, kBufferY = 161;  // demoboxBuffer's corner
constexpr int kFrameX = 90, kFrameY = 150;     // demoboxen's corner
// The lyric area, 300×80 at (10, 390), shows the background from 10 rows
// further down: this rectangle of it, cut by the picture's bottom.
constexpr SDL_Rect kLyricBackground = {10, 400, 300, 100};
constexpr int kLyricY = 390;

// With `seen` false the box is covered later in the frame: the effect moves
// its state as drawing would and leaves the pixels alone.
void drawBackdropEffect(bool seen) {
  switch (currentEffect) {
    case 0: seen ? drawTunnel() : advanceTunnel(); break;
    case 1:
      if (seen) drawPlasma();
      break;  // its picture follows the clock alone
    case 2: seen ? drawAmigaBalls() : advanceAmigaBalls(); break;
    case 3: seen ? drawAmigaScroller() : advanceAmigaScroller(); break;
    case 4: seen ? drawPsycho() : advancePsycho(); break;
    case 5: seen ? drawCube() : advanceCube(); break;
    case 6: seen ? drawStars() : advanceStars(); break;
    case 7: seen ? drawGrid() : advanceGrid(); break;
    default: break;  // the box keeps what it held, filtered again
  }
}

// The time table's window the clock lies in, or null.
const EffectWindow* effectWindowNow() {
  const Uint32 now = clockTicks();
  for (const EffectWindow& w : kEffectWindows)
    if (now > w.fromMs && now <= w.toMs) return &w;
  return nullptr;
}

void runEffectTimeTable(const EffectWindow* w) {
  if (!w) return;
  fadeTo = w->effect;
  changeEffect();
}

// The horizontal offset follows box_y and the vertical one box_x; both
// phases grow by dt, cut to whole numbers, so frames under 10 ms stand still.
void swayBox() {
  box_x = static_cast<int>(box_x + dt);
  box_y = static_cast<int>(box_y + dt);
  box_y_new = toInt(static_cast<float>(std::sin(box_x * -0.04) * 10));
  box_x_new = toInt(static_cast<float>(std::sin(box_y * 0.01 + 10) * -20));
}
}  // namespace

bool tvRollDue() {
  return clockTicks() % kRollPeriodMs > kRollFromMs && clockTicks() % kRollPeriodMs <= kRollToMs;
}

void swayBoxAndRepair() {
  const int px = box_x_new, py = box_y_new;
  swayBox();
  // Strips the moving frame uncovers on its left and top edges; right of
  // kFlagScreenX and below the frame the scene repaints anyway.
  if (box_x_new > px)
    drawImg2(screen, img_bg, px + 80, box_y_new + 150, 20, 190, px + 90, box_y_new + 150);
  if (box_y_new > py)
    drawImg2(screen, img_bg, px + 90, box_y_new + 145, 200, 20, px + 90, box_y_new + 150);
  drawImg2(screen, img_bg, 80, 320, 130, 40, 80, 320);
}

void drawBoxPicture() {
  drawImg(screen, demoboxBuffer, box_x_new + kBufferX, box_y_new + kBufferY);
}

// The frame's window is left out: it would blend nothing.
void drawBoxFrame() {
  drawImgAround(screen, demoboxen, box_x_new + kFrameX, box_y_new + kFrameY, demoboxenHole);
}

namespace {
// Whether the flag, copied to (kFlagScreenX, 0) later in the frame, replaces every
// screen pixel right of kFlagScreenX whatever lay there: a plain copy (no key, no
// alpha) as wide and high as that part of the screen.
bool flagCoversRight() {
  return screen && homemadeBuffer && blitsPlainCopy(homemadeBuffer, screen) &&
         homemadeBuffer->w >= screen->w - kFlagScreenX && homemadeBuffer->h >= screen->h;
}
}  // namespace

void readAheadMainscene(int part, int parts) {
  readAheadHomeMade(part, parts);
  readAheadTunnel(part, parts);
  const SDL_Rect leftOfFlag = {0, 0, kFlagScreenX, 480};
  readAhead(img_bg, part, parts, &leftOfFlag);
  readAhead(img_bg, part, parts, &kLyricBackground);
  for (SDL_Surface* s : {demoboxBuffer, demoboxen}) readAhead(s, part, parts);
  for (SDL_Surface* s : walk.frames) readAhead(s, part, parts);
  for (sge_bmpFont* f : {font2, font3, font_gul2, font_gul3})
    if (f) readAhead(f->FontSurface, part, parts);
}

void drawLyricBackground() {
  const SDL_Rect& r = kLyricBackground;
  drawImg2(screen, img_bg, r.x, kLyricY, r.w, r.h, r.x, r.y);
}

void drawBackgroundBesideFlag() {
  if (flagCoversRight())
    drawImg2(screen, img_bg, 0, 0, kFlagScreenX, screen->h, 0, 0);
  else
    drawImg(screen, img_bg, 0, 0);
}

void drawMainscene() {
  // While the white clears, the background is put back in full.
  if (mainTrans > 0) drawBackgroundBesideFlag();

  drawHomeMade();
  drawImg(screen, homemadeBuffer, kFlagScreenX, 0);
  drawLyricBackground();

  // One reading of the clock both foretells the change's noise and runs it.
  const EffectWindow* change = effectWindowNow();
  const bool seen = !(change && changeHidesBox(change->effect));
  drawBackdropEffect(seen);
  seen ? tvFilter(70) : advanceTvFilter();
  if (tvRollDue()) seen ? offsetTv() : advanceOffsetTv();
  if (demoinvert != 0) {
    seen ? negFilter(demoboxBuffer) : advanceNegFilter();
    // The frame on which the flash ends is still inverted.
    if (clockTicks() - demoinvertstart.load() > kFlashMs) demoinvert = 0;
  }
  runEffectTimeTable(change);

  drawStarfield();
  drawAnimation();

  swayBoxAndRepair();
  drawBoxPicture();
  drawBoxFrame();
  holdGoldAtBang();
  printMsgSection(40, 390);
}
