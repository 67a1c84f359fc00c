#include "effects/tunnel.h"

// Arrives with its own work; until then it draws nothing.
void initTunnel() {}

// Arrives with its own work; until then it draws nothing.
void drawTunnel() {}
