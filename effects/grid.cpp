#include "effects/grid.h"

// Arrives with its own work; until then it draws nothing.
void drawGrid() {}
