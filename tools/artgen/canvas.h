// Pixel buffers, colours and the file writers shared by every picture builder.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace art {

struct Rgb {
  uint8_t r, g, b;
};

// "#rrggbb" at compile time keeps the palette readable next to the art direction.
constexpr Rgb hex(const char* s) {
  auto nib = [](char c) -> int {
    return c >= 'a' ? c - 'a' + 10 : c >= 'A' ? c - 'A' + 10 : c - '0';
  };
  return Rgb{uint8_t(nib(s[1]) * 16 + nib(s[2])), uint8_t(nib(s[3]) * 16 + nib(s[4])),
             uint8_t(nib(s[5]) * 16 + nib(s[6]))};
}

Rgb mix(Rgb a, Rgb b, double t);
// Piecewise-linear ramp through evenly spaced stops, t in 0..1.
Rgb ramp(const std::vector<Rgb>& stops, double t);

// Straight (not premultiplied) RGBA, row-major.
struct Image {
  int w = 0, h = 0;
  std::vector<uint8_t> px;  // 4 bytes per pixel

  Image() = default;
  Image(int w_, int h_) : w(w_), h(h_), px(size_t(w_) * h_ * 4, 0) {}
  uint8_t* at(int x, int y) { return &px[(size_t(y) * w + x) * 4]; }
  const uint8_t* at(int x, int y) const { return &px[(size_t(y) * w + x) * 4]; }
  void set(int x, int y, Rgb c, uint8_t a = 255) {
    uint8_t* p = at(x, y);
    p[0] = c.r, p[1] = c.g, p[2] = c.b, p[3] = a;
  }
  Rgb rgb(int x, int y) const {
    const uint8_t* p = at(x, y);
    return {p[0], p[1], p[2]};
  }
  void fill(Rgb c, uint8_t a = 255);
  // Source-over blend of one straight-alpha colour.
  void blend(int x, int y, Rgb c, double a);
  // Source-over composite of a whole image at (x, y), clipped.
  void draw(const Image& src, int x, int y);
  Image crop(int x, int y, int w, int h) const;
};

// A cairo context over an ARGB32 surface, converted back to straight RGBA on demand.
class Cairo {
 public:
  Cairo(int w, int h);
  ~Cairo();
  Cairo(const Cairo&) = delete;
  Cairo& operator=(const Cairo&) = delete;
  cairo_t* cr() { return cr_; }
  // Starts from an existing picture so vector work can be laid over pixel work.
  void load(const Image& img);
  Image image();
  void rgb(Rgb c, double a = 1.0) {
    cairo_set_source_rgba(cr_, c.r / 255.0, c.g / 255.0, c.b / 255.0, a);
  }

 private:
  cairo_surface_t* surf_;
  cairo_t* cr_;
};

enum class Channels { Rgb, Rgba };
void writePng(const std::string& path, const Image& img, Channels ch);
void writeBmp24(const std::string& path, const Image& img);
void writeJpeg(const std::string& path, const Image& img, int quality);

// A small deterministic generator: the pictures must not change between builds or libc versions.
class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed * 2685821657736338717ull + 1) {}
  uint32_t next() {
    s_ ^= s_ >> 12, s_ ^= s_ << 25, s_ ^= s_ >> 27;
    return uint32_t((s_ * 2685821657736338717ull) >> 32);
  }
  double unit() { return next() / 4294967296.0; }
  int below(int n) { return int(next() % uint32_t(n)); }

 private:
  uint64_t s_;
};

}  // namespace art
