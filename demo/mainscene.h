// Scene 1: the karaoke scene.
#pragma once

void drawMainscene();
