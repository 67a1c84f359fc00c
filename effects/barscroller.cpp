#include "effects/barscroller.h"

// Arrives with its own work; until then it draws nothing.
void initAmigaScroller() {}

// Arrives with its own work; until then it draws nothing.
void drawAmigaScroller() {}
