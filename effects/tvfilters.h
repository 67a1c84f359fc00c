// Old-television filters on the 200×150 box (demoboxBuffer): noise scanlines
// with a wandering vertical noise line, and a vertical roll with a black seam.
#pragma once
#include <SDL/SDL.h>

// Grey noise, levels 0..density-1 (density > 0), on every third row and in
// one column that moves right a column a frame.
void tvFilter(int density);
// The whole box in grey noise, levels 0..density-1 (density > 0), one random
// number a pixel, row by row.
void noiseBox(int density);
// Rolls the box up by 1.5·dt rows a frame, wrapping every 150 rows.
void offsetTv();

// For a frame whose box noiseBox will cover: tvFilter and offsetTv without
// their pixels, drawing the same random numbers and leaving the same state
// (noise line, roll offset, the box's colour key).
void advanceTvFilter();
void advanceOffsetTv();
// Whether noiseBox rewrites every pixel of the box, whatever it held.
bool noiseCoversBox();

// The roll's 200×150 work surface; initHomeMade (flag.h) creates it.
extern SDL_Surface* tmpBuffer;

namespace tvfilters::detail {
extern int draw;        // non-zero while the row is a full noise row; runs on between calls
extern int offset_y;    // column of the noise line, 0..200 (200 is off the box)
extern int tvOffset_y;  // roll offset, rows 0..149
// The grey words of levels 0..255 and the density (> 0) for noiseRow.
void noiseLevels(int density, const Uint32* grey);
// row[x] = grey[draws[x] % density cut to a byte] for x < n; draws 0..32767.
void noiseRow(Uint32* row, const int* draws, int n);
}  // namespace tvfilters::detail
