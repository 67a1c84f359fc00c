// The plasma reads a byte copy of its field and maps its palette without
// SDL; every pixel of boxes in several 32-bit layouts must still be SDL's
// mapping of the palette entry the published field and the clock name.
#include <gtest/gtest.h>

#include "demo/clock.h"
#include "demo/main.h"
#include "effects/plasma.h"
#include "render/gfx.h"
#include "tests/support.h"

TEST(PlasmaLayouts, EveryPixelIsSdlsMappingOfItsEntry) {
  testDisplay();
  SDL_Surface* saved = demoboxBuffer;
  initPlasma();
  struct Masks {
    Uint32 r, g, b, a;
  };
  // The display's layout, blue-green-red with alpha, and one with channels
  // cut to fewer bits (its mapping drops low bits).
  for (const Masks& m : {Masks{0xFF0000, 0x00FF00, 0x0000FF, 0},
                         Masks{0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
                         Masks{0x00F80000, 0x0000FC00, 0x000000F8, 0}}) {
    demoboxBuffer = SDL_CreateRGBSurface(SDL_SWSURFACE, 200, 150, 32, m.r, m.g, m.b, m.a);
    // Times in whole hundredths: the palette steps once each.
    for (int ms : {0, 10, 1230, 2550, 2560, 99990}) {
      clockSetVirtual(ms);
      drawPlasma();
      for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) {
          const SDL_Color& c =
              plasma_detail::colors[(plasma_detail::plasma[x * 150 + y] + ms / 10) % 256];
          ASSERT_EQ(pixelAt(demoboxBuffer, x, y), SDL_MapRGB(demoboxBuffer->format, c.r, c.g, c.b))
              << "masks " << m.r << " at " << ms << " ms, pixel " << x << "," << y;
        }
    }
    SDL_FreeSurface(demoboxBuffer);
  }
  demoboxBuffer = saved;
  clockUseReal();
}
