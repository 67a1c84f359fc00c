// Scene 1, the karaoke scene: background, waving flag, the swaying framed box
// with its backdrop effect and filters, snow, the character and the lyrics.
// The screen keeps its contents; after the fade only what changes is redrawn.
#pragma once

void drawMainscene();
// readAhead of what the scene's first frame reads: the flag, the background
// left of it and under the lyrics, the box, its tunnel, the walking
// character and the lyric fonts; slice `part` of `parts`.
void readAheadMainscene(int part, int parts);

// Shared with the greetings scene, which keeps this scene's swaying box.
// The background in full, for frames that lay white over the whole screen.
// Where the flag, copied to (kFlagScreenX, 0) later in the frame, replaces every pixel
// right of kFlagScreenX (a plain copy as wide and high as that part), only the
// strip left of it is drawn.
void drawBackgroundBesideFlag();
// The lyric area, 300×80 at (10, 390), filled with the background from 10
// rows further down.
void drawLyricBackground();
// True while the clock modulo 10 s lies in 3001..4999 ms: the box rolls.
bool tvRollDue();
// Sways the box by dt and repaints the background strips its frame uncovers
// and the fixed region (80, 320)–(209, 359) left of it.
void swayBoxAndRepair();
// demoboxBuffer at (box_x_new + 115, box_y_new + 161); its frame at
// (box_x_new + 90, box_y_new + 150).
void drawBoxPicture();
void drawBoxFrame();
