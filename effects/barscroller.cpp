#include "effects/barscroller.h"

#include <cmath>

#include "demo/state.h"
#include "render/extra.h"
#include "render/gfx.h"

// --- bar state: kept while other effects run, so the bars resume ---
namespace barscroller_detail {
Bar amigascroller[7];
}  // namespace barscroller_detail

namespace {
using barscroller_detail::amigascroller;
using barscroller_detail::Bar;
}  // namespace

void initAmigaScroller() {
  // 50 steps (0.65 rad) between neighbours keep the rainbow's shape.
  for (int i = 0; i < 7; ++i) amigascroller[i] = {50 * i, 0};
}

namespace {
void moveBar(Bar& bar) {
  // The fraction is cut every frame, so frames under 2.5 ms never move.
  bar.phase = static_cast<int32_t>(std::trunc(bar.phase + dt * 4.0));
  bar.offset = static_cast<int32_t>(std::trunc(std::sin(bar.phase * 0.013) * 20.0));
}
}  // namespace

void drawAmigaScroller() {
  if (demoboxBuffer && screen)
    fillRect(demoboxBuffer, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
  // Purple first, red last: red lies on top where bars overlap.
  for (int i = 0; i < 7; ++i) {
    auto& bar = amigascroller[i];
    moveBar(bar);
    drawImg(demoboxBuffer, amigabars_gfx[6 - i], 0, bar.offset + 70);
  }
}

void advanceAmigaScroller() {
  for (int i = 0; i < 7; ++i) {
    moveBar(amigascroller[i]);
    // The key drawImg sets on the box when it has a picture to draw.
    if (demoboxBuffer && amigabars_gfx[6 - i]) keyMagenta(demoboxBuffer);
  }
}
