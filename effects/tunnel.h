// Texture tunnel (box effect 0): a 256×256 texture mapped onto a tube seen
// end-on, streaming out of the centre and turning, timed by the show clock.
#pragma once
#include <cstdint>

void initTunnel();
void drawTunnel();
// drawTunnel without its pixels, for a box covered later in the frame: the
// tunnel follows the clock and keeps no state, so only the box's colour key.
void advanceTunnel();
// readAhead of the texture, the lookup table and the work buffer, slice
// `part` of `parts`.
void readAheadTunnel(int part, int parts);

namespace tunnel_detail {
// 200×150 entries, x-major (x·150 + y), about the centre (100, 75).
extern int32_t distTable[200 * 150];   // texture column 0..255, from the distance
extern int32_t angleTable[200 * 150];  // texture row offset -127..127, from the angle
}  // namespace tunnel_detail
