#include "effects/sinscroller.h"

#include <SDL/sge.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "demo/state.h"
#include "effects/texts.h"
#include "render/extra.h"
#include "render/font.h"
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

// How far either side of its pen a letter can draw when printText lays it
// out from the sheet's markers itself: its cell runs from the middle of its
// marker to the middle of the next and sits left of the pen by at most its
// marker, so it stays within the span from its marker's start to the next
// marker's end. 0 for a font SGE draws instead.
int reachOf(const sge_bmpFont* font) {
  if (!font->FontSurface || !font->CharPos || font->Chars < 2) return 0;
  const Sint16* mark = font->CharPos;
  int reach = 0;
  for (int c = 0; c + 1 < font->Chars; ++c) reach = std::max(reach, mark[2 * c + 3] - mark[2 * c]);
  return reach;
}

// Whether printText would draw nothing of the letter at pen x: a space, or
// a letter with a marker whose reach keeps it off the clip rectangle. Most
// of a long text is off screen; skipping it spares a sine and a blit each.
bool drawsNothing(const sge_bmpFont* font, int reach, char letter, int x) {
  if (reach == 0) return false;
  if (letter == ' ') return true;
  const int k = static_cast<unsigned char>(letter) - '!';
  if (k < 0 || k > font->Chars - 2) return false;
  const SDL_Rect& clip = screen->clip_rect;
  return x + reach <= clip.x || x - reach >= clip.x + clip.w;
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
  const int reach = font_intro ? reachOf(font_intro) : 0;
  const int invertedReach = font_intro_inverted ? reachOf(font_intro_inverted) : 0;
  for (int i = 0; i < length && i < kPhases; ++i) {
    double x = i * kAdvance + intro_x;
    // Coordinates go to SGE as 16-bit values. A letter beyond that range is
    // far off screen; it is skipped rather than wrapped back onto it.
    if (x < INT16_MIN || x > INT16_MAX) continue;
    Sint16 sx = static_cast<Sint16>(x);
    const bool inverted = overBox(sx);
    sge_bmpFont* font = inverted ? font_intro_inverted : font_intro;
    if (!font || drawsNothing(font, inverted ? invertedReach : reach, text[i], sx)) continue;
    double y = std::trunc(std::sin(sinscroller[i] * 0.01) * kAmplitude + kMidRow);
    Sint16 sy = static_cast<Sint16>(y);
    char letter[2] = {text[i], '\0'};
    printText(screen, font, letter, sx, sy);
  }
}
