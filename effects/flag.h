// The waving flag right of x = kFlagScreenX: a diagonal band of "gfx/bg_flag.png"
// whose columns shift up and down by a sine travelling along the columns.
// initHomeMade also creates the roll filter's work surface (tvfilters.h).
#pragma once
#include <SDL/SDL.h>

#include <cstdint>

void initHomeMade();
// Updates the band in homemadeBuffer only; the scenes put it on the screen.
void drawHomeMade();
// readAhead of the flag's picture and buffer, slice `part` of `parts`.
void readAheadHomeMade(int part, int parts);

// The flag as shown, display format, no colour key; never cleared. The scenes
// blit it to (kFlagScreenX, 0) and the character repairs its background from it.
extern SDL_Surface* homemadeBuffer;
// The screen column of the flag's column 0: the scenes repaint every pixel
// right of it every frame.
constexpr int kFlagScreenX = 204;

namespace flag::detail {
// One period of 16·sin in 512 steps, cut toward zero: -15..15.
extern int16_t sinTable[512];
// Phase of the first column; +8 a frame, wrapping at 65536.
extern uint16_t sin_index;
// Where blitSurface would copy the columns by key itself, drawHomeMade does
// the same copy row by row; off, every column is a blitSurface call of its
// own, the slow way the rows must match.
extern bool byRows;
}  // namespace flag::detail
