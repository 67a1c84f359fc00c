// The character on its platform: walk, gestures, dance, blink.
#pragma once
#include "render/gfx.h"

// Steps `a` to its next frame once more than framedelay ms have passed since
// its last step: at most one frame a call, whatever the pause.
void animate(Animation* a);
void drawAnimation();
