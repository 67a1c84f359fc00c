#include "effects/stars.h"

// Arrives with its own work; until then it draws nothing.
void initStars() {}

// Arrives with its own work; until then it draws nothing.
void drawStars() {}
