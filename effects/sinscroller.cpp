#include "effects/sinscroller.h"

#include <SDL/sge.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "demo/main.h"
#include "effects/lyrics.h"
#include "effects/texts.h"
#include "render/extra.h"
#include "render/gfx.h"

namespace sinescroller::detail {
int sinscroller[kPhases];
}

using sinescroller::detail::kPhases;
using sinescroller::detail::sinscroller;

namespace {
// --- geometry ---
constexpr int kAdvance = 40;         // px from one letter to the next, whatever its width
constexpr double kMidRow = 210.0;    // wave centre, screen row
constexpr double kAmplitude = 70.0;  // rows either side of the centre
constexpr int kPhaseSpacing = 25;    // 0.25 rad between neighbouring letters
constexpr int kSpacedPhases = 400;   // entries past this start at 0
// In the greetings scene letters strictly between these offsets from
// box_x_new lie over the box and are drawn inverted.
constexpr int kBoxLeft = 90, kBoxRight = 305;

bool overBox(int x) {
  return currentScene.load() == 2 && box_x_new + kBoxLeft < x && x < box_x_new + kBoxRight;
}
}  // namespace

void initsinScroller() {
  for (int i = 0; i < kPhases; ++i) sinscroller[i] = i < kSpacedPhases ? kPhaseSpacing * i : 0;
}

void sinScroller() {
  // Whole pixels a frame: a step below 0.2 leaves the text standing.
  intro_x -= toInt(dt * 2.5);
  const char* text = currentScene.load() == 2 ? text_scroller_outro : text_scroller;
  // The fraction of 3·dt is dropped every frame, as the wave was tuned.
  for (int& phase : sinscroller) phase = static_cast<int>(phase + dt * 3.0);

  if (!screen) return;
  const int length = static_cast<int>(std::strlen(text));
  for (int i = 0; i < length && i < kPhases; ++i) {
    double x = i * kAdvance + intro_x;
    double y = std::trunc(std::sin(sinscroller[i] * 0.01) * kAmplitude + kMidRow);
    // Coordinates go to SGE as 16-bit values. A letter beyond that range is
    // far off screen; it is skipped rather than wrapped back onto it.
    if (x < INT16_MIN || x > INT16_MAX) continue;
    Sint16 sx = static_cast<Sint16>(x);
    Sint16 sy = static_cast<Sint16>(y);
    sge_bmpFont* font = overBox(sx) ? font_intro_inverted : font_intro;
    if (!font) continue;
    char letter[2] = {text[i], '\0'};
    printText(screen, font, letter, sx, sy);
  }
}
