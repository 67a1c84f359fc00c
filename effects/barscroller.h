// Rainbow bar scroller (box effect 3).
#pragma once

void initAmigaScroller();
void drawAmigaScroller();
