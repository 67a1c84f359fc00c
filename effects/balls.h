// Bouncing balls (box effect 2): three spinning, breathing balls; their
// records and pictures come from the catalogue (render/gfx.h).
#pragma once

void drawAmigaBalls();
