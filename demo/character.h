// The character on its platform: walk, gestures, dance, blink.
#pragma once

void drawAnimation();
