// IMG_Load for the browser build, over stb_image (shipped with emscripten),
// giving the surfaces SDL_image 1.2 gives natively for the show's pictures:
// 8-bit RGB PNGs and JPEGs as 24-bit surfaces, RGBA PNGs as 32-bit ones with
// alpha, both with bytes in R, G, B(, A) order; BMPs through SDL itself. The
// show's blits convert from these, so their format decides its pixels.
#include <SDL/SDL.h>
#include <SDL/SDL_image.h>

#include <cstdio>
#include <cstring>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO_WARNINGS
#include "stb_image.h"

extern "C" SDL_Surface* IMG_Load(const char* file) {
  // As SDL_image, the format is told by the file's first bytes. Its BMP
  // loader is SDL's own, which this build has.
  unsigned char magic[2] = {};
  if (std::FILE* f = std::fopen(file, "rb")) {
    if (std::fread(magic, 1, 2, f) != 2) magic[0] = 0;
    std::fclose(f);
  }
  if (magic[0] == 'B' && magic[1] == 'M') return SDL_LoadBMP(file);
  int w = 0, h = 0, n = 0;
  if (!stbi_info(file, &w, &h, &n)) {
    IMG_SetError("Couldn't open %s: %s", file, stbi_failure_reason());
    return nullptr;
  }
  // Grey pictures come out as RGB, as SDL_image asks libjpeg for; a grey
  // PNG with alpha as RGBA.
  const int channels = (n == 2 || n == 4) ? 4 : 3;
  unsigned char* data = stbi_load(file, &w, &h, &n, channels);
  if (!data) {
    IMG_SetError("Couldn't read %s: %s", file, stbi_failure_reason());
    return nullptr;
  }
  const Uint32 amask = channels == 4 ? 0xff000000u : 0;
  SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, channels * 8, 0x000000ffu, 0x0000ff00u,
                                        0x00ff0000u, amask);
  if (s) {
    for (int y = 0; y < h; ++y)
      std::memcpy(static_cast<Uint8*>(s->pixels) + y * s->pitch, data + size_t(y) * w * channels,
                  size_t(w) * channels);
  }
  stbi_image_free(data);
  return s;
}
