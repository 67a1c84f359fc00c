// The karaoke lines under the karaoke scene and, in the dance break, the
// greeting message twisting up the middle of the screen. Both draw straight
// onto `screen`; pixel units, rows from the top.
#pragma once
#include <SDL/SDL.h>
#include <SDL/sge.h>

// Three centred lines around the sung one (`currentrow`): the line just sung
// at row y + 15, the sung line at y + 35 lit in gold up to `currentpos`, the
// next line at y + 60. x is not used. While `greetstart` is set the sung line
// is all gold and the greeting scroller runs.
void printMsgSection(int x, int y);
// Moves the greeting up by toInt(2·dt) px and draws its ten rows of 50 px.
void drawGreetScoller();
// Draws `text` in a bitmap font with the pixels sge_BF_textout would write
// (x, y the pen's start, the letters' top row), most fonts without going
// through SDL's general blitter; the rest it leaves to SGE.
void printText(SDL_Surface* dst, sge_bmpFont* font, const char* text, Sint16 x, Sint16 y);

namespace lyrics::detail {
// Screen row of the greeting's row 0: 480 at start, only ever falls.
extern int vertscroll;
// One scanline of a greeting letter as SGE's scaled copy of it lands on
// `dst` with black left out: the 32 px of `row` squeezed to |w| px (1..32),
// mirrored while w < 0, its scaled copy's corner at (left, y).
void drawSqueezedRow(SDL_Surface* dst, const Uint32* row, int w, int left, int y);
}  // namespace lyrics::detail
