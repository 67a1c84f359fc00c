#include "tools/capture/png_writer.h"

#include <png.h>

#include <cstdio>
#include <vector>

bool writePng(SDL_Surface* surface, const char* path) {
  if (!surface) return false;
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, surface->w, surface->h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(surface->w * 3);
  SDL_LockSurface(surface);
  for (int y = 0; y < surface->h; ++y) {
    for (int x = 0; x < surface->w; ++x) {
      const Uint8* p = static_cast<Uint8*>(surface->pixels) + y * surface->pitch +
                       x * surface->format->BytesPerPixel;
      Uint32 v = 0;
      switch (surface->format->BytesPerPixel) {
        case 1: v = *p; break;
        case 2: v = *reinterpret_cast<const Uint16*>(p); break;
        case 3: v = p[0] | p[1] << 8 | p[2] << 16; break;
        default: v = *reinterpret_cast<const Uint32*>(p); break;
      }
      SDL_GetRGB(v, surface->format, &row[3 * x], &row[3 * x + 1], &row[3 * x + 2]);
    }
    png_write_row(png, row.data());
  }
  SDL_UnlockSurface(surface);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}
