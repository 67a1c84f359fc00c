// Writes a surface as an 8-bit RGB PNG (no metadata, so equal pictures give
// equal files).
#pragma once
#include <SDL/SDL.h>

bool writePng(SDL_Surface* surface, const char* path);
