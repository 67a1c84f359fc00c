// Texture tunnel (box effect 0).
#pragma once

void initTunnel();
void drawTunnel();
