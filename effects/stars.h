// Rotating star field (box effect 6).
#pragma once

void initStars();
void drawStars();
