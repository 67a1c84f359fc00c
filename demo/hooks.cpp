#include "demo/hooks.h"

void (*frameStarting)() = nullptr;
void (*frameShown)() = nullptr;
void (*screenFlipped)() = nullptr;
void (*showEnding)(int status) = nullptr;
void (*clockAdvanced)(double fromMs, double toMs) = nullptr;
void (*playerSamples)(const int16_t* stereo, size_t frames) = nullptr;
void (*playerCue)(int instrument, double songSeconds) = nullptr;
