// The desktop icon: the show's own character picture, cut to the creature,
// set in a square and enlarged by whole steps, each pixel a block, so the
// icon is the sprite as the show draws it rather than a blurred copy.
//
//   plupp-icon PICTURE.png SIZE OUT.png
//
// Transparent where the picture is: its alpha, or, for a picture without
// one, the colour of its top-left corner as the show's colour key.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
struct Rgba {
  unsigned width = 0, height = 0;
  std::vector<unsigned char> px;  // 4 bytes a pixel
};

bool readPng(const char* path, Rgba& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path)) return false;
  const bool hasAlpha = image.format & PNG_FORMAT_FLAG_ALPHA;
  image.format = PNG_FORMAT_RGBA;
  out.width = image.width;
  out.height = image.height;
  out.px.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.px.data(), 0, nullptr)) return false;
  if (!hasAlpha) {
    const unsigned char* key = out.px.data();
    const unsigned char k[3] = {key[0], key[1], key[2]};
    for (size_t i = 0; i < out.px.size(); i += 4)
      if (out.px[i] == k[0] && out.px[i + 1] == k[1] && out.px[i + 2] == k[2]) out.px[i + 3] = 0;
  }
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: plupp-icon PICTURE.png SIZE OUT.png\n");
    return 2;
  }
  const unsigned size = unsigned(std::atoi(argv[2]));
  Rgba in;
  if (size == 0 || !readPng(argv[1], in)) {
    std::fprintf(stderr, "plupp-icon: cannot read %s\n", argv[1]);
    return 1;
  }
  unsigned x0 = in.width, y0 = in.height, x1 = 0, y1 = 0;
  for (unsigned y = 0; y < in.height; ++y)
    for (unsigned x = 0; x < in.width; ++x)
      if (in.px[(size_t(y) * in.width + x) * 4 + 3]) {
        if (x < x0) x0 = x;
        if (y < y0) y0 = y;
        if (x >= x1) x1 = x + 1;
        if (y >= y1) y1 = y + 1;
      }
  if (x1 <= x0 || y1 <= y0) {
    std::fprintf(stderr, "plupp-icon: %s is wholly transparent\n", argv[1]);
    return 1;
  }
  const unsigned w = x1 - x0, h = y1 - y0, side = w > h ? w : h;
  // A sprite larger than the icon is sampled down by whole steps instead.
  const unsigned up = side <= size ? size / side : 1;
  const unsigned down = side <= size ? 1 : (side + size - 1) / size;
  const unsigned ow = w * up / down, oh = h * up / down;
  const unsigned ox = (size - ow) / 2, oy = (size - oh) / 2;
  std::vector<unsigned char> out(size_t(size) * size * 4, 0);
  for (unsigned y = 0; y < oh; ++y)
    for (unsigned x = 0; x < ow; ++x) {
      const unsigned sx = x0 + x * down / up, sy = y0 + y * down / up;
      const unsigned char* s = &in.px[(size_t(sy) * in.width + sx) * 4];
      unsigned char* d = &out[((size_t(oy) + y) * size + ox + x) * 4];
      for (int c = 0; c < 4; ++c) d[c] = s[c];
    }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = size;
  image.height = size;
  image.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&image, argv[3], 0, out.data(), 0, nullptr)) {
    std::fprintf(stderr, "plupp-icon: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
