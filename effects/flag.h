// Waving flag on the right-hand background.
#pragma once

void initHomeMade();
void drawHomeMade();
