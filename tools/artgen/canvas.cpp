#include "canvas.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace art {

Rgb mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  auto m = [t](uint8_t x, uint8_t y) { return uint8_t(std::lround(x + (y - x) * t)); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

Rgb ramp(const std::vector<Rgb>& stops, double t) {
  if (stops.size() == 1) return stops[0];
  t = std::clamp(t, 0.0, 1.0) * double(stops.size() - 1);
  size_t i = std::min(size_t(t), stops.size() - 2);
  return mix(stops[i], stops[i + 1], t - double(i));
}

void Image::fill(Rgb c, uint8_t a) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) set(x, y, c, a);
}

void Image::blend(int x, int y, Rgb c, double a) {
  if (x < 0 || y < 0 || x >= w || y >= h || a <= 0) return;
  uint8_t* p = at(x, y);
  double da = p[3] / 255.0, oa = a + da * (1 - a);
  auto ch = [&](uint8_t s, uint8_t d) {
    return uint8_t(std::lround((s * a + d * da * (1 - a)) / oa));
  };
  p[0] = ch(c.r, p[0]), p[1] = ch(c.g, p[1]), p[2] = ch(c.b, p[2]);
  p[3] = uint8_t(std::lround(oa * 255));
}

void Image::draw(const Image& src, int x0, int y0) {
  for (int y = 0; y < src.h; ++y)
    for (int x = 0; x < src.w; ++x) {
      const uint8_t* s = src.at(x, y);
      blend(x0 + x, y0 + y, {s[0], s[1], s[2]}, s[3] / 255.0);
    }
}

Image Image::crop(int x0, int y0, int cw, int ch) const {
  Image out(cw, ch);
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x) {
      const uint8_t* s = at(x0 + x, y0 + y);
      std::copy(s, s + 4, out.at(x, y));
    }
  return out;
}

Cairo::Cairo(int w, int h)
    : surf_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)), cr_(cairo_create(surf_)) {}

Cairo::~Cairo() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surf_);
}

void Cairo::load(const Image& img) {
  cairo_surface_flush(surf_);
  unsigned char* data = cairo_image_surface_get_data(surf_);
  int stride = cairo_image_surface_get_stride(surf_);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      const uint8_t* p = img.at(x, y);
      uint32_t a = p[3];
      auto pm = [a](uint32_t c) { return (c * a + 127) / 255; };
      uint32_t v = a << 24 | pm(p[0]) << 16 | pm(p[1]) << 8 | pm(p[2]);
      *reinterpret_cast<uint32_t*>(data + y * stride + x * 4) = v;
    }
  cairo_surface_mark_dirty(surf_);
}

Image Cairo::image() {
  cairo_surface_flush(surf_);
  int w = cairo_image_surface_get_width(surf_), h = cairo_image_surface_get_height(surf_);
  const unsigned char* data = cairo_image_surface_get_data(surf_);
  int stride = cairo_image_surface_get_stride(surf_);
  Image out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t v = *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
      uint32_t a = v >> 24;
      auto un = [a](uint32_t c) {
        return a ? uint8_t(std::min<uint32_t>(255, (c * 255 + a / 2) / a)) : 0;
      };
      uint8_t* p = out.at(x, y);
      p[0] = un(v >> 16 & 255), p[1] = un(v >> 8 & 255), p[2] = un(v & 255), p[3] = uint8_t(a);
    }
  return out;
}

namespace {
struct File {
  FILE* f;
  explicit File(const std::string& path) : f(std::fopen(path.c_str(), "wb")) {
    if (!f) throw std::runtime_error("cannot write " + path);
  }
  ~File() { std::fclose(f); }
};
}  // namespace

void writePng(const std::string& path, const Image& img, Channels ch) {
  File file(path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("png error writing " + path);
  }
  png_init_io(png, file.f);
  png_set_compression_level(png, 9);
  int n = ch == Channels::Rgba ? 4 : 3;
  png_set_IHDR(png, info, img.w, img.h, 8, n == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row(size_t(img.w) * n);
  for (int y = 0; y < img.h; ++y) {
    for (int x = 0; x < img.w; ++x) std::copy(img.at(x, y), img.at(x, y) + n, &row[size_t(x) * n]);
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
}

void writeBmp24(const std::string& path, const Image& img) {
  int stride = (img.w * 3 + 3) & ~3;
  uint32_t dataSize = uint32_t(stride) * img.h, fileSize = 54 + dataSize;
  std::vector<uint8_t> out(fileSize, 0);
  auto put16 = [&](size_t o, uint32_t v) { out[o] = v & 255, out[o + 1] = v >> 8 & 255; };
  auto put32 = [&](size_t o, uint32_t v) { put16(o, v & 0xffff), put16(o + 2, v >> 16); };
  out[0] = 'B', out[1] = 'M';
  put32(2, fileSize), put32(10, 54), put32(14, 40), put32(18, uint32_t(img.w));
  put32(22, uint32_t(img.h)), put16(26, 1), put16(28, 24), put32(34, dataSize);
  put32(38, 2835), put32(42, 2835);
  for (int y = 0; y < img.h; ++y) {
    uint8_t* row = &out[54 + size_t(img.h - 1 - y) * stride];  // bottom-up
    for (int x = 0; x < img.w; ++x) {
      const uint8_t* p = img.at(x, y);
      row[x * 3] = p[2], row[x * 3 + 1] = p[1], row[x * 3 + 2] = p[0];
    }
  }
  File file(path);
  if (std::fwrite(out.data(), 1, out.size(), file.f) != out.size())
    throw std::runtime_error("short write " + path);
}

void writeJpeg(const std::string& path, const Image& img, int quality) {
  File file(path);
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file.f);
  cinfo.image_width = JDIMENSION(img.w);
  cinfo.image_height = JDIMENSION(img.h);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(size_t(img.w) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    int y = int(cinfo.next_scanline);
    for (int x = 0; x < img.w; ++x) std::copy(img.at(x, y), img.at(x, y) + 3, &row[size_t(x) * 3]);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
}

}  // namespace art
