// Wave grid (box effect 7).
#pragma once

void drawGrid();
