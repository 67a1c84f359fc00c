#include "effects/snowfall.h"

// Arrives with its own work; until then it draws nothing.
void initStarfield() {}

// Arrives with its own work; until then it draws nothing.
void drawStarfield() {}
