#include "effects/cube.h"

// Arrives with its own work; until then it draws nothing.
void initCube() {}

// Arrives with its own work; until then it draws nothing.
void drawCube() {}
