// The show's entry in the browser. The page (web/shell.html) starts it after
// the viewer's click, with its audio context running, or at once on the
// virtual clock when the address asks for one (?virtual=1, the page's tests):
// then, as plupp-capture does, show time moves a frame at a time with the song
// rendered in lockstep, and the page is told of the frames it asked to see.
#include <SDL/SDL.h>
#include <emscripten.h>

#include <cstdio>
#include <cstdlib>

#include "demo/clock.h"
#include "demo/main.h"
#include "demo/player.h"
#include "web/web.h"

namespace {
bool onVirtualClock = false;
double untilSeconds = 1e9;
double frameStartMs = 0, workMs = 0;
long frames = 0;
bool quitSent = false;

uint64_t framesQueued = 0;  // handed to the browser's audio, not yet heard

void frameStartingReal() {
  frameStartMs = emscripten_get_now();
  playerKeepSilentPace();
  framesQueued = uint64_t(EM_ASM_DOUBLE({ return Module.webAudioQueued(); }));
  playerHeard(framesQueued);
}

// How far each cue comes before (positive) or after its sound is heard, and
// how far it would have come before it, sent as its sound was handed over.
void cueToPage(int instrument, double songSeconds) {
  const double heard = double(playerFramesSent()) - double(framesQueued);
  EM_ASM({ Module.cueReleased($0, $1, $2, $3); }, instrument, songSeconds,
         (songSeconds * 44100.0 - heard) / 44.1, framesQueued / 44.1);
}

void frameStartingVirtual() {
  frameStartMs = emscripten_get_now();
  // The first frame past the limit is the last one drawn, as in plupp-capture.
  if (!quitSent && clockVirtualMs() / 1000.0 > untilSeconds) {
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
    quitSent = true;
  }
}

// The page keeps the figures and, on the virtual clock, looks at the canvas
// when the frame drawn at td2 is one it asked for.
void frameShownToPage() {
  workMs += emscripten_get_now() - frameStartMs;
  ++frames;
  EM_ASM({ Module.frameShown($0, $1, $2, $3); }, frames, td2, workMs, presentMsSoFar());
}

void tellPageEnded(int status) {
  std::fflush(nullptr);
  EM_ASM({ Module.showEnded($0); }, status);
}
}  // namespace

void webFrameFlipped(long flips) {
  if (onVirtualClock && flips % 30 == 0) emscripten_sleep(0);
}

// A key from the page: Escape ends the show as natively.
extern "C" EMSCRIPTEN_KEEPALIVE void plupp_key(int sym) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.sym = static_cast<SDLKey>(sym);
  SDL_PushEvent(&e);
}

int main(int argc, char** argv) {
  // SDL 1.2 offers its dummy display only when asked for it by name.
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  onVirtualClock = EM_ASM_INT({ return Module.pluppVirtual ? 1 : 0; }) != 0;
  if (onVirtualClock) {
    const double fps = EM_ASM_DOUBLE({ return Module.pluppFps || 60; });
    untilSeconds = EM_ASM_DOUBLE({ return Module.pluppUntil || 1e9; });
    clockUseVirtual(fps);
    playerUseOffline();
    frameStarting = frameStartingVirtual;
  } else {
    playerCuesWaitForHearing();
    playerCue = cueToPage;
    frameStarting = frameStartingReal;
  }
  frameShown = frameShownToPage;
  showEnding = tellPageEnded;
  const int status = SDL_main(argc, argv);
  tellPageEnded(status);
  return status;
}
