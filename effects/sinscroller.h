// The sine scroller of the intro and the closing.
#pragma once

void initsinScroller();
void sinScroller();
