#include "demo/greetscene.h"

// Arrives with its own work; until then it draws nothing.
void drawGreetscene() {}
