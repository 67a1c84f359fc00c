// The character on its platform over two flames: it sways around
// (cookie_x, cookie_y), grows in and walks, gestures on the song's cues,
// dances in the greetings section, and in scene 2 rises and blinks.
#pragma once
#include "render/gfx.h"

// Steps `a` to its next frame once more than framedelay ms have passed since
// its last step: at most one frame a call, whatever the pause.
void animate(Animation* a);
// One frame of the character onto `screen`, erasing its last frame from the
// flag picture first. Sprite corner at the sway position (x, y); platform at
// (x − 15, y + 68), flames at (x − 4, y + 90) and (x + 53, y + 90).
void drawAnimation();
