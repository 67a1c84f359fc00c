// Wire-frame cube (box effect 5). initCube also sets up the wave grid, which
// turns by the same spin angle.
#pragma once
#include "render/math_3d.h"

void initCube();
void drawCube();
// drawCube without its pixels, for a box covered later in the frame: the
// spin steps and the corners are projected as drawing would leave them.
void advanceCube();

namespace cube_detail {
extern Object3d cube_3d;  // corners 0..7 of a unit cube about the origin
extern float ax;          // spin in degrees, shared with the wave grid; never reset
extern float alpha;       // ax in radians, this frame
// Clears the box, steps the shared spin by one frame and starts a fresh
// transform; returns alpha.
float startSpinFrame();
// startSpinFrame without clearing the box.
float stepSpin();
}  // namespace cube_detail
