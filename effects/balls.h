// Bouncing balls (box effect 2).
#pragma once

void drawAmigaBalls();
