// The show's one clock. Every reading of time and every wait of the show goes
// through here, so the same show code runs on SDL_GetTicks in the demo and on
// a virtual clock (capture tool, tests) that never waits.
#pragma once
#include <cstdint>

#include "demo/hooks.h"  // clockAdvanced

// Milliseconds since start-up.
uint32_t clockTicks();
// Waits the given milliseconds (the virtual clock just moves on).
void clockDelay(uint32_t ms);
// Called once after each flip: waits out the rest of the frame's 1/60 s on the
// real clock; on the virtual clock moves to the start of the next frame.
void clockPaceFrame();

// Who paces real frames: 0, this clock, at 60 a second; a display period in
// milliseconds, the flips that wait for that display (then a frame only waits
// here when it came in under half that period).
void clockFollowDisplay(double periodMs);

// Switches to the virtual clock at `fps` frames a second, starting at 0 ms.
void clockUseVirtual(double fps);
// Sets the virtual clock to an exact time (tests).
void clockSetVirtual(double ms);
// Switches back to SDL_GetTicks (tests).
void clockUseReal();
// Switches to the real clock going on from `ms`: the show joined late.
void clockUseRealFrom(double ms);
// Virtual time in milliseconds, with its fraction.
double clockVirtualMs();
