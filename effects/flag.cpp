#include "effects/flag.h"

// Arrives with its own work; until then it draws nothing.
void initHomeMade() {}

// Arrives with its own work; until then it draws nothing.
void drawHomeMade() {}
