#include "demo/main.h"

#include <SDL/sge.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "demo/clock.h"
#include "demo/greetscene.h"
#include "demo/mainscene.h"
#include "demo/music.h"
#include "demo/player.h"
#include "demo/present.h"
#include "demo/transitions.h"
#include "effects/barscroller.h"
#include "effects/cube.h"
#include "effects/flag.h"
#include "effects/plasma.h"
#include "effects/sinscroller.h"
#include "effects/snowfall.h"
#include "effects/stars.h"
#include "effects/tunnel.h"
#include "render/datadir.h"
#include "render/gfx.h"

namespace {
// Show-clock windows: more than the lower bound, at most the upper one, each
// tested against a fresh reading of the clock.
constexpr Uint32 kFadeFromMs = 21000, kFadeToMs = 24999;
constexpr Uint32 kGreetFromMs = 150000, kGreetToMs = 151999;
// The karaoke scene's pictures sit unread through the intro, and its first
// frame waited on memory for them: 390-650 us, against some 190 us for the
// frames after it. From a second before the fade to the switch each intro
// frame reads a quarter of them, so every byte is read at least every fourth
// frame (read less often, they had dropped out of the cache again).
constexpr Uint32 kReadAheadFromMs = kFadeFromMs - 1000;
constexpr int kReadAheadParts = 4;
int readAheadPart = 0;  // the quarter read next

bool inWindow(Uint32 from, Uint32 to) {
  Uint32 now = clockTicks();
  return now > from && now <= to;
}
}  // namespace

void drawIntro() {
  drawStarfield();
  sinScroller();
}

void startShow() {
  initMusic();
  preparePictures();
  // Drawing pushes nothing to the display; only the flip shows a frame.
  sge_Update_OFF();
}

void preparePictures() {
  loadGfx();
  initAmigaScroller();
  initsinScroller();
  initPlasma();
  initTunnel();
  initStarfield();
  initStars();
  initCube();
  initHomeMade();
}

bool runFrame() {
  td2 = clockTicks();
  dt = static_cast<float>(static_cast<int32_t>(td2 - td) * 0.1);
  td = td2;
  if (frameStarting) frameStarting();

  switch (currentScene.load()) {
    case 0: drawIntro(); break;
    case 1: drawMainscene(); break;
    case 2: drawGreetscene(); break;
    default: break;
  }
  if (currentScene.load() == 0 && clockTicks() > kReadAheadFromMs) {
    readAheadMainscene(readAheadPart, kReadAheadParts);
    readAheadPart = (readAheadPart + 1) % kReadAheadParts;
  }

  if (inWindow(kFadeFromMs, kFadeToMs)) {
    fadeToScene = 1;
    fadeMainScene();
  }
  // Repeated on every frame inside the window, so the values of its last
  // frame stand.
  if (inWindow(kGreetFromMs, kGreetToMs)) {
    intro_x = 640.0;
    lastbajs = clockTicks();
    currentScene = 2;
  }

  const bool quit = eventsAskToQuit();
  flipScreen();
  if (frameShown) frameShown();
  return !quit;
}

bool eventsAskToQuit() {
  bool quit = false;
  while (SDL_PollEvent(&event)) {
    if (event.type == SDL_QUIT) quit = true;
    if (event.type == SDL_KEYDOWN) {
      if (event.key.keysym.sym == SDLK_ESCAPE) quit = true;
      if (event.key.keysym.sym == SDLK_f) presentToggleFullScreen();
    }
  }
  return quit;
}

void flipScreen() {
  presentFrame();
  if (screenFlipped) screenFlipped();
}

void endShow(int status) {
  if (showEnding) showEnding(status);
  std::exit(status);
}

int SDL_main(int, char**) {
  std::string lookedIn;
  if (!findShowData(executablePath(), &lookedIn)) {
    std::fprintf(stderr,
                 "plupp: the show's gfx/ and data/ folders are not in %s; start plupp from the "
                 "folder that holds them (for a build: cd build && ./plupp)\n",
                 lookedIn.c_str());
    return 2;
  }
  if (SDL_Init(SDL_INIT_VIDEO) < 0) {
    std::fprintf(stderr, "plupp: cannot start SDL video: %s\n", SDL_GetError());
    return 2;
  }
  if (!presentOpen()) {
    SDL_Quit();
    return 2;
  }
  SDL_WM_SetCaption("plupp - plupp", "");
  std::atexit(SDL_Quit);
  // Joining late, the show runs unseen on the virtual clock up to the start,
  // the song rendered in lockstep, exactly as the capture tool runs it.
  double joinMs = presentOptions.startSeconds * 1000;
  if (joinMs > 0) {
    clockUseVirtual(60);
    playerUseOffline();
    presentHold(true);
  }
  startShow();
  // Unpaced, the loop would run thousands of frames a second and dt would
  // fall below the steps that are rounded per frame; 60 a second keeps every
  // motion moving and the fixed per-frame steps at their intended speed.
  while (runFrame()) {
    clockPaceFrame();
    if (joinMs > 0 && clockVirtualMs() >= joinMs) {
      clockUseRealFrom(clockVirtualMs());
      playerGoLive();
      presentHold(false);
      joinMs = 0;
    }
  }
  return 0;
}
