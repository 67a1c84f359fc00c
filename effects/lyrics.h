// The karaoke lines under the karaoke scene and, in the dance break, the
// greeting message twisting up the middle of the screen. Both draw straight
// onto `screen`; pixel units, rows from the top.
#pragma once
#include <SDL/SDL.h>
#include <SDL/sge.h>

#include <cstdint>

// Three centred lines around the sung one (`currentrow`): the line just sung
// at row y + 15, the sung line at y + 35 lit in gold up to `currentpos`, the
// next line at y + 60. x is not used. While `greetstart` is set the sung line
// is all gold and the greeting scroller runs.
void printMsgSection(int x, int y);
// Letters of `line` in gold, from its start through index `pos`: past a "!"
// and its space the gold waits (stops two letters after the "!") while no
// gesture is active.
int goldLetters(const char* line, int32_t pos, bool gestureActive);
// The wait's step, once a frame before printMsgSection: where the gold waits
// on the sung line, `currentpos` is set to the "!"'s index + 3, so the
// gesture's cue lights its sound word from there.
void holdGoldAtBang();
// Moves the greeting up by toInt(2·dt) px and draws its ten rows of 50 px.
void drawGreetScoller();
namespace lyrics::detail {
// Screen row of the greeting's row 0: 480 at start, only ever falls.
extern int vertscroll;
// One scanline of a greeting letter as SGE's scaled copy of it lands on
// `dst` with black left out: the 32 px of `row` squeezed to |w| px (1..32),
// mirrored while w < 0, its scaled copy's corner at (left, y).
void drawSqueezedRow(SDL_Surface* dst, const Uint32* row, int w, int left, int y);
}  // namespace lyrics::detail
