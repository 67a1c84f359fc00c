// Text in the show's bitmap fonts (SGE's format: a sheet of letters under a
// row of markers).
#pragma once
#include <SDL/SDL.h>
#include <SDL/sge.h>

// Draws `text` in a bitmap font with the pixels sge_BF_textout would write
// (x, y the pen's start, the letters' top row), most fonts without going
// through SDL's general blitter; the rest it leaves to SGE.
void printText(SDL_Surface* dst, sge_bmpFont* font, const char* text, Sint16 x, Sint16 y);
