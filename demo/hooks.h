// Every hook of the show, in one place: null unless a tool or test sets it.
// They are installed in this order, which matters where one wraps another:
//   1. playerUseOffline() sets clockAdvanced to the player's own lockstep
//      renderer (demo/player.cpp);
//   2. the capture tool then keeps that one, sets clockAdvanced to its own,
//      which calls it before writing the frame's sound and picture, and sets
//      playerSamples, playerCue, screenFlipped, frameStarting, frameShown and
//      showEnding;
//   3. the demo's entry sets showEnding alone, to leave at once.
#pragma once
#include <cstddef>
#include <cstdint>

// --- the frame loop (demo/main.cpp) ---
extern void (*frameStarting)();         // after td2 is read, before drawing
extern void (*frameShown)();            // after each pass of the frame loop
extern void (*screenFlipped)();         // after every flip, in the loop or not
extern void (*showEnding)(int status);  // instead of exit(); must not return

// --- the clock (demo/clock.cpp) ---
// Whenever the virtual clock moves forward, with the old and new time in
// milliseconds; lets offline rendering follow the clock exactly.
extern void (*clockAdvanced)(double fromMs, double toMs);

// --- the player (demo/player.cpp) ---
// Every block the offline player renders: `frames` stereo frames of
// interleaved 16-bit samples.
extern void (*playerSamples)(const int16_t* stereo, size_t frames);
// Every registered cue just before the callback gets it, with the song time
// in seconds at which the cue's row starts sounding.
extern void (*playerCue)(int instrument, double songSeconds);
