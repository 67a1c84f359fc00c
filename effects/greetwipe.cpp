#include "effects/greetwipe.h"

#include "demo/clock.h"
#include "demo/main.h"
#include "render/extra.h"
#include "render/gfx.h"

namespace greetwipe::detail {
int currentbajs = 0;
int bajs_cur_x = 0;
}  // namespace greetwipe::detail

using greetwipe::detail::bajs_cur_x;
using greetwipe::detail::currentbajs;

namespace {
// --- box and slide show: pixels of the box, milliseconds of the show clock ---
constexpr int kBoxW = 200, kBoxH = 150;
constexpr int kLastLoadedSlot = 12;  // slots 13 and 14 of bajssurface stay empty
constexpr Uint32 kFirstPeriodEndMs = 159999;
constexpr Uint32 kFirstStandMs = 5000, kLaterStandMs = 7000;

void nextPicture(Uint32 now) {
  bajs_cur_x = 0;
  lastbajs = now;
  // Wrapped in the first period too: a scene entered early by the song would
  // otherwise count past the table's slots.
  currentbajs = (currentbajs + 1) % kGreetSlots;
}
}  // namespace

int greetwipe::detail::shownSlot(int slot) {
  if (slot < 0) return 0;
  return slot > kLastLoadedSlot ? kLastLoadedSlot : slot;
}

void drawBajs() {
  SDL_Surface* picture = bajssurface[greetwipe::detail::shownSlot(currentbajs)];
  const int edge = bajs_cur_x;
  if (picture && demoboxBuffer) {
    drawImg2(demoboxBuffer, picture, 0, 0, edge, kBoxH, 0, 0);
    // Column `edge` stretched to the right; columns past the box would be
    // clipped, so the smear stops at its edge.
    const int right = picture->w < kBoxW ? picture->w : kBoxW;
    for (int i = edge; i < right; ++i) drawImg2(demoboxBuffer, picture, i, 0, 1, kBoxH, edge, 0);
  }

  bajs_cur_x += toInt(2 * dt);
  if (bajs_cur_x > kBoxW) bajs_cur_x = kBoxW;
  if (bajs_cur_x < 0) bajs_cur_x = 0;  // a clock that ran backwards

  if (clockTicks() <= kFirstPeriodEndMs) {
    if (clockTicks() - lastbajs > kFirstStandMs) nextPicture(clockTicks());
  } else {
    if (clockTicks() - lastbajs > kLaterStandMs) nextPicture(clockTicks());
  }
}
