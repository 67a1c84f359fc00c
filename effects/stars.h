// Rotating star field (box effect 6): stars rush out of the box's centre
// while the field turns clockwise, in integers with its own perspective.
#pragma once
#include <cstdint>

void initStars();
void drawStars();
// drawStars without its pixels, for a box covered later in the frame: the
// stars move and respawn, drawing the same random numbers.
void advanceStars();

namespace stars_detail {
// Offsets from the axis of view (y down) and depth 1..600; at depth 50 one
// unit is one pixel.
struct Star {
  int32_t x, y, z;
};
constexpr int kStars = 600;
extern Star stars[kStars];
}  // namespace stars_detail
