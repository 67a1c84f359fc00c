// The browser's counterpart of demo/present.cpp: SDL 1.2's dummy display
// holds the mode, and each flip copies the show's 640×480 `screen` into the
// page's canvas, which the page itself enlarges to the window (4:3 kept,
// pixelated) and takes to full screen. Nothing here waits: the show's clock
// does, through SDL_Delay, which gives the browser its turn.
#include "demo/present.h"

#include <SDL/SDL.h>
#include <emscripten.h>

#include <cstdio>
#include <vector>

#include "demo/clock.h"
#include "demo/main.h"
#include "render/gfx.h"
#include "web/web.h"

PresentOptions presentOptions;

namespace {
constexpr int kShowW = 640, kShowH = 480;
std::vector<Uint32> rgba(size_t(kShowW) * kShowH);  // the canvas's byte order
long flips = 0;
double presentMs = 0;  // spent converting and handing frames to the canvas
bool held = false;     // the show runs ahead unseen (the native --start)
}  // namespace

void presentHold(bool hold) { held = hold; }

bool presentOpen() {
  SDL_Surface* display = SDL_SetVideoMode(kShowW, kShowH, 32, SDL_SWSURFACE);
  if (!display) {
    std::fprintf(stderr, "plupp: cannot open a 640x480x32 display: %s\n", SDL_GetError());
    return false;
  }
  // The show's pictures are converted to the display's format, as natively;
  // only the canvas wants its bytes in another order.
  screen = makeShowScreen();
  return screen != nullptr;
}

void presentFrame() {
  if (held) return;
  const double start = emscripten_get_now();
  const SDL_PixelFormat* f = screen->format;
  const Uint8 rs = f->Rshift, gs = f->Gshift, bs = f->Bshift;
  if (SDL_MUSTLOCK(screen)) SDL_LockSurface(screen);
  Uint32* out = rgba.data();
  for (int y = 0; y < kShowH; ++y) {
    const Uint32* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(screen->pixels) +
                                                        y * screen->pitch);
    // Little-endian RGBA bytes, opaque: the canvas keeps opaque pixels exact.
    for (int x = 0; x < kShowW; ++x) {
      const Uint32 p = row[x];
      *out++ =
          0xff000000u | ((p >> bs) & 0xff) << 16 | ((p >> gs) & 0xff) << 8 | ((p >> rs) & 0xff);
    }
  }
  if (SDL_MUSTLOCK(screen)) SDL_UnlockSurface(screen);
  EM_ASM({ Module.showFrame($0); }, rgba.data());
  presentMs += emscripten_get_now() - start;
  ++flips;
  webFrameFlipped(flips);
}

// Full screen is the page's to ask for: browsers grant it only inside the
// viewer's own key or click handler, which the page has, so the key never
// reaches the show.
void presentToggleFullScreen() {}

void presentReport() {
  if (flips > 0)
    std::printf("plupp: %ld flips, %.2f ms a flip to the canvas\n", flips, presentMs / flips);
}

double presentMsSoFar() { return presentMs; }
