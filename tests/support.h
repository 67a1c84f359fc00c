// Shared set-up for tests that need SDL: a dummy 640×480×32 display and
// surfaces to draw into.
#pragma once
#include <SDL/SDL.h>

#include <cstdint>
#include <string>
#include <vector>

// Opens the dummy display once and points `screen` at it.
SDL_Surface* testDisplay();
// A software surface of the given depth with the usual masks for that depth.
SDL_Surface* makeSurface(int w, int h, int bpp);
Uint32 pixelAt(SDL_Surface* s, int x, int y);
// Every pixel's word, row by row.
std::vector<Uint32> allPixels(SDL_Surface* s);
// A 32-bit copy of a 32-bit surface: its words and its clip rectangle.
SDL_Surface* copyOf(SDL_Surface* s);
// Where two surfaces of one size first differ ("first at (x, y)"), or "".
std::string differences(SDL_Surface* a, SDL_Surface* b);
// A 32-bit surface painted so that every pixel differs: base + x·xStep + y·yStep.
void paintGradient(SDL_Surface* s, Uint32 base, int xStep, int yStep);
// RGB of the pixel at (x, y) as 0xRRGGBB.
uint32_t rgbAt(SDL_Surface* s, int x, int y);
void fill(SDL_Surface* s, Uint8 r, Uint8 g, Uint8 b);
// A 32-bit w×h stand-in for the flag buffer: all 0x776655 but one magenta
// pixel at (holeX, holeY), keyed on magenta if `keyed`.
SDL_Surface* flagWithHole(int w, int h, int holeX, int holeY, bool keyed);
// A fresh empty directory under /tmp; the working directory moves into it
// until the returned guard is dropped.
struct TempCwd {
  TempCwd();
  ~TempCwd();
  std::string dir, previous;
};
