// Falling snow: 200 flakes drifting right to left in three depth layers. In
// the intro it owns the frame (black, bands, frame lines); over the karaoke
// and greetings scenes it repairs the background strip each flake leaves.
#pragma once
#include <cstdint>

void initStarfield();
void drawStarfield();

namespace snowfall::detail {
// x, y: top-left corner of the sprite in screen pixels; layer 0..2 (0 nearest).
struct Flake {
  int32_t x, y, layer;
};
constexpr int kFlakes = 200;
extern Flake starfield[kFlakes];
}  // namespace snowfall::detail
