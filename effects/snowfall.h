// Falling snow between the intro's bands, and over the karaoke scene.
#pragma once

void initStarfield();
void drawStarfield();
