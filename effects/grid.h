// Wave grid (box effect 7): 25 upright columns joined by rungs, rippling in
// depth. Its start values are set by initCube, whose spin angle it shares.
#pragma once
#include <cstdint>

#include "render/math_3d.h"

void drawGrid();
// drawGrid without its pixels, for a box covered later in the frame: spin,
// depth, wave and the kept projections move as drawing would leave them.
void advanceGrid();

namespace grid_detail {
// Column c stands at x = 0.3c - 3 from y = -5 to y = 6: point 2c its end at
// y = -5, point 2c + 1 its end at y = 6, both at one depth.
extern Object3d grid;
extern Object3d tmpgrid;     // points 0 and 1: the rung being drawn
extern int32_t gridz[100];   // entry 2c: wave phase of column c (0.05 rad a step)
extern float zdepth;         // distance from the eye, 3.3..20 once running
extern int32_t speedzdepth;  // +1 away from the eye, -1 towards it
void initGrid();             // the start values; run by initCube
}  // namespace grid_detail
