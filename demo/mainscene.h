// Scene 1, the karaoke scene: background, waving flag, the swaying framed box
// with its backdrop effect and filters, snow, the character and the lyrics.
// The screen keeps its contents; after the fade only what changes is redrawn.
#pragma once

void drawMainscene();
