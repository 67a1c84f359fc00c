#include "demo/mainscene.h"

// Arrives with its own work; until then it draws nothing.
void drawMainscene() {}
