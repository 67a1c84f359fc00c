#include "demo/transitions.h"

// Arrives with its own work; until then it draws nothing.
void fadeMainScene() {}
