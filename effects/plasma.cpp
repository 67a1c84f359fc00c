#include "effects/plasma.h"

// Arrives with its own work; until then it draws nothing.
void initPlasma() {}

// Arrives with its own work; until then it draws nothing.
void drawPlasma() {}
