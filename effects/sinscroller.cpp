#include "effects/sinscroller.h"

// Arrives with its own work; until then it draws nothing.
void initsinScroller() {}

// Arrives with its own work; until then it draws nothing.
void sinScroller() {}
