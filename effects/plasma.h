// Plasma (box effect 1).
#pragma once

void initPlasma();
void drawPlasma();
