#include "tests/support.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "demo/main.h"

SDL_Surface* testDisplay() {
  static SDL_Surface* display = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SDL_Init(SDL_INIT_VIDEO);
    return SDL_SetVideoMode(640, 480, 32, SDL_DOUBLEBUF);
  }();
  screen = display;
  return display;
}

SDL_Surface* makeSurface(int w, int h, int bpp) {
  switch (bpp) {
    case 8: return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0);
    case 16: return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, 0xF800, 0x07E0, 0x001F, 0);
    case 24: return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    default: return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0);
  }
}

Uint32 pixelAt(SDL_Surface* s, int x, int y) {
  const Uint8* p = static_cast<Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
  switch (s->format->BytesPerPixel) {
    case 1: return *p;
    case 2: return *reinterpret_cast<const Uint16*>(p);
    case 3: return p[0] | p[1] << 8 | p[2] << 16;
    default: return *reinterpret_cast<const Uint32*>(p);
  }
}

SDL_Surface* copyOf(SDL_Surface* s) {
  SDL_Surface* c = makeSurface(s->w, s->h, 32);
  std::memcpy(c->pixels, s->pixels, size_t(s->pitch) * s->h);
  SDL_SetClipRect(c, &s->clip_rect);
  return c;
}

std::string differences(SDL_Surface* a, SDL_Surface* b) {
  for (int y = 0; y < a->h; ++y)
    for (int x = 0; x < a->w; ++x)
      if (pixelAt(a, x, y) != pixelAt(b, x, y))
        return "first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
  return "";
}

std::vector<Uint32> allPixels(SDL_Surface* s) {
  std::vector<Uint32> out;
  for (int y = 0; y < s->h; ++y)
    for (int x = 0; x < s->w; ++x) out.push_back(pixelAt(s, x, y));
  return out;
}

void paintGradient(SDL_Surface* s, Uint32 base, int xStep, int yStep) {
  for (int y = 0; y < s->h; ++y)
    for (int x = 0; x < s->w; ++x)
      reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch)[x] =
          base + static_cast<Uint32>(x * xStep + y * yStep);
}

uint32_t rgbAt(SDL_Surface* s, int x, int y) {
  Uint8 r, g, b;
  SDL_GetRGB(pixelAt(s, x, y), s->format, &r, &g, &b);
  return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

void fill(SDL_Surface* s, Uint8 r, Uint8 g, Uint8 b) {
  SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, r, g, b));
}

SDL_Surface* flagWithHole(int w, int h, int holeX, int holeY, bool keyed) {
  SDL_Surface* flag = makeSurface(w, h, 32);
  fill(flag, 0x77, 0x66, 0x55);
  const Uint32 magenta = SDL_MapRGB(flag->format, 255, 0, 255);
  SDL_Rect hole = {static_cast<Sint16>(holeX), static_cast<Sint16>(holeY), 1, 1};
  SDL_FillRect(flag, &hole, magenta);
  if (keyed) SDL_SetColorKey(flag, SDL_SRCCOLORKEY, magenta);
  return flag;
}

TempCwd::TempCwd() {
  char tmpl[] = "/tmp/plupp-test-XXXXXX";
  dir = mkdtemp(tmpl);
  previous = std::filesystem::current_path();
  std::filesystem::current_path(dir);
}

TempCwd::~TempCwd() {
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(dir);
}
