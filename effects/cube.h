// Wire-frame cube (box effect 5); its tables serve the wave grid too.
#pragma once

void initCube();
void drawCube();
