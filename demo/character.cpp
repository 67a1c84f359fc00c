#include "demo/character.h"

#include "demo/clock.h"

void animate(Animation* a) {
  if (!a || a->numframes <= 0) return;
  // Unsigned, so the first call after loading (lasttick 0) steps at once.
  if (clockTicks() - a->lasttick > static_cast<Uint32>(a->framedelay)) {
    a->lasttick = clockTicks();
    a->curframe = (a->curframe + 1) % a->numframes;
  }
}

// Arrives with its own work; until then it draws nothing.
void drawAnimation() {}
