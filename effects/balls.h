// Bouncing balls (box effect 2): three spinning, breathing balls; their
// records and pictures come from the catalogue (render/gfx.h).
#pragma once
#include <SDL/SDL.h>

void drawAmigaBalls();
// drawAmigaBalls without its pixels, for a box covered later in the frame:
// the picture cycle and the balls move, and the box is keyed as drawing
// would leave it.
void advanceAmigaBalls();

// The spin's row kernel, open to tests: spinRow must leave every word as
// its plain twin spinRowEachPixel does.
namespace balls_detail {
// The part of a 32-bit picture the spin reads: pixels (xmin..xmax,
// ymin..ymax), ends included; words are kept to `keep`'s bits.
struct SpinWindow {
  const Uint8* pixels;
  int pitch;
  int xmin, xmax, ymin, ymax;
  Uint32 keep;
  // Whether the 18.13 fixed-point position (sx, sy) falls in the window,
  // each coordinate's pixel cut to 16 bits as SGE cuts it.
  bool holds(Uint32 sx, Uint32 sy) const;
  Uint32 texel(Uint32 sx, Uint32 sy) const;
};
// n canvas pixels from (sx, sy), a step adding ct to sx and taking st from
// sy (both wrapping): the window's texel where the position falls in it,
// else `clear`.
void spinRow(Uint32* row, int n, Uint32 sx, Uint32 sy, Uint32 ct, Uint32 st, const SpinWindow& w,
             Uint32 clear);
void spinRowEachPixel(Uint32* row, int n, Uint32 sx, Uint32 sy, Uint32 ct, Uint32 st,
                      const SpinWindow& w, Uint32 clear);
}  // namespace balls_detail
