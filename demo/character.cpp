#include "demo/character.h"

// Arrives with its own work; until then it draws nothing.
void drawAnimation() {}
