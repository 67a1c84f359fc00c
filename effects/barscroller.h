// Rainbow bar scroller (box effect 3): seven bars bobbing on staggered sines.
#pragma once
#include <cstdint>

void initAmigaScroller();
void drawAmigaScroller();
// drawAmigaScroller without its pixels, for a box covered later in the
// frame: the bars move and the box is keyed as drawing would leave them.
void advanceAmigaScroller();

namespace barscroller_detail {
// Record i drives bar picture 6 - i (record 0 purple, record 6 red).
struct Bar {
  int32_t phase;   // sine argument in steps of 0.013 rad
  int32_t offset;  // vertical offset from y 70, pixels, -20..20
};
extern Bar amigascroller[7];
}  // namespace barscroller_detail
