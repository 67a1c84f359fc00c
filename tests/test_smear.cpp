#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "demo/clock.h"
#include "demo/main.h"
#include "effects/greetwipe.h"
#include "render/extra.h"
#include "render/gfx.h"
#include "tests/support.h"

using greetwipe::detail::bajs_cur_x;
using greetwipe::detail::currentbajs;

namespace {

// Random bytes in every pixel: with alpha, every alpha from 0 to 255 turns
// up, including the skipped 0 and the opaque 255.
SDL_Surface* noisePicture(int w, int h, int bpp, Uint32 amask) {
  SDL_Surface* s =
      bpp == 24 ? SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF, 0xFF00, 0xFF0000, 0)
                : SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF, 0xFF00, 0xFF0000, amask);
  for (int y = 0; y < h; ++y) {
    Uint8* row = static_cast<Uint8*>(s->pixels) + y * s->pitch;
    for (int i = 0; i < w * bpp / 8; ++i) row[i] = static_cast<Uint8>(std::rand());
  }
  return s;
}
}  // namespace

// The smear drawn by drawBajs against the same column blitted once per box
// column, for pictures blended, converted, copied and keyed, of the box's
// size and smaller, at every edge position.
TEST(GreetSmear, OneBlitOfTheRepeatedColumnEqualsABlitPerColumn) {
  testDisplay();
  resetShowState();
  clockUseVirtual(60);
  clockSetVirtual(1000);
  SDL_Surface* savedBox = demoboxBuffer;
  SDL_Surface* savedSlot = bajssurface[0];
  SDL_Surface* expected = makeWorkSurface(200, 150);
  demoboxBuffer = makeWorkSurface(200, 150);
  std::srand(3);

  struct Kind {
    const char* name;
    SDL_Surface* picture;
  };
  std::vector<Kind> kinds = {{"alpha", noisePicture(200, 150, 32, 0xFF000000)},
                             {"24-bit", noisePicture(200, 150, 24, 0)},
                             {"32-bit", noisePicture(200, 150, 32, 0)},
                             {"keyed", noisePicture(200, 150, 32, 0)},
                             {"narrow alpha", noisePicture(123, 150, 32, 0xFF000000)},
                             {"short 24-bit", noisePicture(200, 97, 24, 0)},
                             {"box format", nullptr}};
  {
    // The box's own format, as the show loads pictures without alpha.
    SDL_Surface* noise = noisePicture(200, 150, 24, 0);
    kinds.back().picture = SDL_ConvertSurface(noise, demoboxBuffer->format, SDL_SWSURFACE);
    SDL_FreeSurface(noise);
  }
  SDL_Surface* keyed = kinds[3].picture;
  SDL_SetColorKey(keyed, SDL_SRCCOLORKEY, pixelAt(keyed, 5, 5));

  for (const Kind& k : kinds) {
    bajssurface[0] = k.picture;
    const int right = k.picture->w < 200 ? k.picture->w : 200;
    for (int edge = 0; edge <= 200; ++edge) {
      paintGradient(expected, 0x00203040u, 5, 263);
      drawImg2(expected, k.picture, 0, 0, edge, 150, 0, 0);
      for (int i = edge; i < right; ++i) drawImg2(expected, k.picture, i, 0, 1, 150, edge, 0);
      paintGradient(demoboxBuffer, 0x00203040u, 5, 263);
      currentbajs = 0;
      bajs_cur_x = edge;
      lastbajs = 1000;
      dt = 0;
      drawBajs();
      ASSERT_TRUE(allPixels(demoboxBuffer) == allPixels(expected)) << k.name << " edge " << edge;
    }
    SDL_FreeSurface(k.picture);
  }
  bajssurface[0] = savedSlot;
  SDL_FreeSurface(demoboxBuffer);
  SDL_FreeSurface(expected);
  demoboxBuffer = savedBox;
  clockUseReal();
  resetShowState();
}
