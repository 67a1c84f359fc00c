// Plasma (box effect 1): a fixed field of four sine waves seen through a
// 256-colour palette whose start moves with the show clock.
#pragma once
#include <SDL/SDL.h>

#include <cstdint>

void initPlasma();
void drawPlasma();

namespace plasma_detail {
extern SDL_Color colors[256];      // green, red, yellow, black, back to green; no blue
extern int32_t plasma[200 * 150];  // palette index 40..229, x-major (x·150 + y)
}  // namespace plasma_detail
