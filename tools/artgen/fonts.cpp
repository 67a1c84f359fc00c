// Bitmap fonts in SFont layout: one row of glyph cells under a marker row whose magenta
// runs separate the cells. Every cell has a fixed width, because the scrollers and the
// lyric printer place letters on fixed advances, and the background is black, the colour
// the loader makes transparent (it reads it from the bottom-left pixel).
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "artgen.h"
#include "canvas.h"
#include "text.h"

namespace art {

namespace {

constexpr Rgb kKey{0, 0, 0};
constexpr Rgb kMarker{255, 0, 255};
constexpr int kGap = 2;  // marker columns between cells

struct FontStyle {
  const char* file;
  bool plain;        // use the sturdier face
  int cellW, cellH;  // glyph cell, without the marker row
  double capHeight;  // height of a capital's ink, in pixels
  double baseline;   // row of the baseline inside the cell
  double maxInk;     // widest ink allowed, outline included
  double outline;    // outline thickness in pixels
  double bold;       // extra stroke weight added to the face's own, in pixels
  Rgb outlineColour;
  std::vector<Rgb> fill;  // vertical ramp from cap top to baseline
  double shadow;          // drop-shadow offset, 0 for none
};

std::string slotText(char c) {
  switch (c) {
    case '<': return "\xC3\x85";  // Å
    case '=': return "\xC3\x84";  // Ä
    case '>': return "\xC3\x96";  // Ö
    default: return std::string(1, c);
  }
}

// Font size at which a capital stands capHeight pixels tall.
double sizeForCap(cairo_t* cr, cairo_font_face_t* face, double capHeight) {
  textPath(cr, face, 100, 1.0, "H", 0, 0);
  double x1, y1, x2, y2;
  cairo_path_extents(cr, &x1, &y1, &x2, &y2);
  cairo_new_path(cr);
  return 100 * capHeight / (y2 - y1);
}

std::vector<uint8_t> mask(int w, int h, const std::function<void(cairo_t*)>& paint) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
  cairo_t* cr = cairo_create(s);
  paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  std::vector<uint8_t> out(size_t(w) * h);
  const unsigned char* d = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < h; ++y) std::copy(d + y * stride, d + y * stride + w, &out[size_t(y) * w]);
  cairo_surface_destroy(s);
  return out;
}

Image renderGlyph(const FontStyle& st, cairo_font_face_t* face, const std::string& text) {
  const int w = st.cellW, h = st.cellH;
  Cairo scratch(8, 8);
  double size = sizeForCap(scratch.cr(), face, st.capHeight);
  const double rim = st.outline + st.bold;
  double ink = textWidth(scratch.cr(), face, size, 1.0, text) + 2 * rim;
  // Wide letters are narrowed, not shrunk, so every capital keeps the same height.
  double xs = ink > st.maxInk ? (st.maxInk - 2 * rim) / (ink - 2 * rim) : 1.0;
  auto path = [&](cairo_t* cr, double dx, double dy) {
    centredTextPath(cr, face, size, xs, text, w / 2.0 + dx, st.baseline + dy);
  };
  auto fill = mask(w, h, [&](cairo_t* cr) {
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 2 * st.bold);
    path(cr, 0, 0);
    if (st.bold > 0) cairo_stroke_preserve(cr);
    cairo_fill(cr);
  });
  auto edge = mask(w, h, [&](cairo_t* cr) {
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 2 * rim);
    path(cr, 0, 0), cairo_stroke_preserve(cr), cairo_fill(cr);
    if (st.shadow > 0) {
      path(cr, st.shadow, st.shadow), cairo_stroke_preserve(cr), cairo_fill(cr);
    }
  });
  Image g(w, h);
  const double capTop = st.baseline - st.capHeight;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      size_t i = size_t(y) * w + x;
      // The edge against the background is hard: a colour-keyed font has no alpha,
      // and a soft edge would leave a fringe of the key's colour on light pictures.
      if (edge[i] < 128 && fill[i] < 128) {
        g.set(x, y, kKey);
        continue;
      }
      double t = (y + 0.5 - capTop) / st.capHeight;
      Rgb c = mix(st.outlineColour, ramp(st.fill, t), fill[i] / 255.0);
      if (c.r == 0 && c.g == 0 && c.b == 0) c = {1, 1, 1};  // never the key colour
      g.set(x, y, c);
    }
  return g;
}

void buildFont(const Context& ctx, const FontStyle& st) {
  cairo_font_face_t* face = fontFace(st.plain ? ctx.plainFont : ctx.roundFont);
  const int n = kLastChar - kFirstChar + 1;
  Image sheet(kGap + n * (st.cellW + kGap), st.cellH + 1);
  sheet.fill(kKey);
  for (int x = 0; x < kGap; ++x) sheet.set(x, 0, kMarker);
  for (int i = 0; i < n; ++i) {
    int x0 = kGap + i * (st.cellW + kGap);
    Image g = renderGlyph(st, face, slotText(char(kFirstChar + i)));
    for (int y = 0; y < st.cellH; ++y)
      for (int x = 0; x < st.cellW; ++x) sheet.set(x0 + x, y + 1, g.rgb(x, y));
    for (int x = 0; x < kGap; ++x) sheet.set(x0 + st.cellW + x, 0, kMarker);
  }
  writeBmp24(ctx.outDir + "/" + st.file, sheet);
}

const Rgb kGold[] = {hex("#fff2a8"), hex("#f2c232"), hex("#c98a12"), hex("#7a4a00")};
const Rgb kSilver[] = {hex("#ffffff"), hex("#d9dee8"), hex("#9aa3b5"), hex("#4a4f5c")};

}  // namespace

void buildFonts(const Context& ctx) {
  const std::vector<Rgb> gold = {kGold[0], kGold[2], kGold[1], kGold[0], kGold[2]};
  const std::vector<Rgb> silver = {kSilver[0], kSilver[2], kSilver[1], kSilver[0], kSilver[2]};
  const std::vector<Rgb> frost = {hex("#ffffff"), hex("#dfe9ff"), hex("#9fb4d9"), hex("#dfe9ff")};
  const std::vector<Rgb> night = {hex("#16224f"), hex("#0b1030"), hex("#25407a")};
  const Rgb goldRim = hex("#2e1a00"), silverRim = hex("#15171e");
  const FontStyle styles[] = {
      // The line being sung: a fixed 12-pixel advance.
      {"font_silver.bmp", false, 12, 22, 14, 18, 12, 1, 0.5, silverRim, silver, 0},
      {"font_golden.bmp", false, 12, 22, 14, 18, 12, 1, 0.5, goldRim, gold, 0},
      // The lines before and after it: 8 pixels a character.
      {"font_silver_small.bmp", true, 8, 15, 9, 12, 8, 1, 0, silverRim, silver, 0},
      {"font_golden_small.bmp", true, 8, 15, 9, 12, 8, 1, 0, goldRim, gold, 0},
      // The scrollers: 32x50 cells.
      {"newfont.bmp", false, 32, 50, 31, 46, 32, 2, 2, hex("#0b1030"), frost, 2},
      // Over the box picture the colours turn round: dark letters in a bright rim.
      {"newfont_inverted.bmp", false, 32, 50, 31, 46, 32, 2, 2, hex("#fff2a8"), night, 0},
  };
  for (const FontStyle& st : styles) buildFont(ctx, st);
}

}  // namespace art
