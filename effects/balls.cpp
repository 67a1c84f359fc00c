#include "effects/balls.h"

// Arrives with its own work; until then it draws nothing.
void drawAmigaBalls() {}
