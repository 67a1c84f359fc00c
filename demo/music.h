// The song and the cues it sends to the show: initMusic starts it at start-up;
// instcallback turns each marker note into a change of the program-wide state.
#pragma once
#include "demo/player.h"

void initMusic();
// Called by the player, from its own thread, for each note start of a
// registered instrument. Writes only atomics of demo/state.h.
void instcallback(FMUSIC_MODULE* song, unsigned char instrument);
