// Colour operations on 32-bit surfaces: the colour-cycling picture (box
// effect 4) and the flash negative. Both move the same three start values.
#pragma once
#include <SDL/SDL.h>

// img_psycho into demoboxBuffer with each channel c replaced by start − c
// (mod 256), the three start values sweeping 0..255 at their own speeds.
void drawPsycho();
// Every pixel of `surface` to its negative; the start values go back to 255.
void negFilter(SDL_Surface* surface);
// drawPsycho and negFilter without their pixels, for a box covered later in
// the frame: the start values and the box's colour key as they would leave them.
void advancePsycho();
void advanceNegFilter();

namespace colourfilters::detail {
// Start values 0..255 and their directions (+1 rising, -1 falling).
extern int rstart, gstart, bstart;
extern int neg_dir, gneg_dir, bneg_dir;
}  // namespace colourfilters::detail
