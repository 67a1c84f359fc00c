// The scene pictures: the night background (kakbg), its right-hand part with the waving
// ribbon (bg_flag), the frame of the effect box (nyruta) and the two frame lines.
//
// The scene repaints the background only in a few places after the box has moved, some of
// them copied from a few pixels away, so the background is kept plain where that happens:
// a smooth sky around the box, a lyric panel that looks the same ten rows up or down, and
// nothing but sky and ribbon inside the waving band.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "artgen.h"
#include "canvas.h"
#include "layout.h"
#include "text.h"

namespace art {

namespace {

using namespace layout;
constexpr double kPi = 3.14159265358979323846;

// The night sky by screen row: deep at the top, lighter towards the horizon.
Rgb sky(double y) {
  struct Stop {
    double y;
    Rgb c;
  };
  static const Stop stops[] = {
      {0, hex("#0b1030")}, {190, hex("#16224f")}, {400, hex("#25407a")}, {480, hex("#3b6aa8")}};
  if (y <= 0) return stops[0].c;
  for (size_t i = 1; i < std::size(stops); ++i)
    if (y <= stops[i].y)
      return mix(stops[i - 1].c, stops[i].c, (y - stops[i - 1].y) / (stops[i].y - stops[i - 1].y));
  return stops[std::size(stops) - 1].c;
}

// The ribbon's upper and lower edge in flag column c: inside the waving band with room to
// spare above and below, so the wave moves cloth and sky but never tears an edge off.
struct RibbonEdges {
  double top, bottom;
};

std::vector<RibbonEdges> ribbon() {
  constexpr int kMargin = 28, kSmooth = 12;
  std::vector<double> raw(kFlagW);
  for (int c = 0; c < kFlagW; ++c) raw[size_t(c)] = bandTop(c) + kMargin;
  std::vector<RibbonEdges> out(kFlagW);
  for (int c = 0; c < kFlagW; ++c) {
    // A moving average rounds off the band's two bends.
    double sum = 0;
    int n = 0;
    for (int k = c - kSmooth; k <= c + kSmooth; ++k) {
      int kk = std::clamp(k, 0, kFlagW - 1);
      sum += raw[size_t(kk)] + (k < 0 ? -2.0 * k : 0);  // keep the slope beyond the left end
      ++n;
    }
    double top = sum / n;
    // Narrow while the band is, then widening into a flag where the band opens to 200 rows.
    double s = std::clamp((c - 250) / 50.0, 0.0, 1.0);
    s = s * s * (3 - 2 * s);
    double thick = 64 + s * (200 - 2 * kMargin - 64);
    out[size_t(c)] = {top, top + thick};
  }
  return out;
}

const std::array<Rgb, 7> kRainbow = {hex("#e53935"), hex("#fb8c00"), hex("#fdd835"), hex("#43a047"),
                                     hex("#1e88e5"), hex("#3949ab"), hex("#8e24aa")};

// Sky and ribbon of the flag picture; the ribbon's stripes run along it like a woven band.
Image flagPicture() {
  auto edges = ribbon();
  Image img(kFlagW, kFlagH);
  for (int c = 0; c < kFlagW; ++c) {
    auto [top, bottom] = edges[size_t(c)];
    for (int y = 0; y < kFlagH; ++y) {
      Rgb s = sky(y + 0.5);
      // Coverage of this pixel by the ribbon, for soft edges.
      double cover = std::clamp(y + 1 - top, 0.0, 1.0) * std::clamp(bottom - y, 0.0, 1.0);
      if (cover <= 0) {
        img.set(c, y, s);
        continue;
      }
      double t = std::clamp((y + 0.5 - top) / (bottom - top), 0.0, 0.9999);
      Rgb cloth = kRainbow[size_t(t * 7)];
      // Light from above: the upper half of the cloth a touch brighter, the lower darker,
      // and a pale hem along both edges.
      cloth = t < 0.5 ? mix(cloth, hex("#ffffff"), 0.12 * (0.5 - t))
                      : mix(cloth, hex("#0b1030"), 0.35 * (t - 0.5));
      double hemPx = std::min(y + 0.5 - top, bottom - (y + 0.5));
      if (hemPx < 2.0) cloth = mix(hex("#fff2a8"), cloth, hemPx / 2.0);
      img.set(c, y, mix(s, cloth, cover));
    }
  }
  // An emblem on the flag: a night-blue disc with a gold ring and a snow crystal.
  Cairo cairo(kFlagW, kFlagH);
  cairo.load(img);
  cairo_t* cr = cairo.cr();
  const double ex = 392, ey = 100;
  cairo_arc(cr, ex, ey, 30, 0, 2 * kPi);
  cairo.rgb(hex("#0b1030"));
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 4);
  cairo.rgb(hex("#f2c232"));
  cairo_stroke(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, 3.2);
  cairo.rgb(hex("#dfe9ff"));
  for (int k = 0; k < 6; ++k) {
    double a = k * kPi / 3 + kPi / 2, ca = std::cos(a), sa = std::sin(a);
    cairo_move_to(cr, ex, ey);
    cairo_line_to(cr, ex + 20 * ca, ey + 20 * sa);
    for (int side : {-1, 1}) {
      double b = a + side * 0.75;
      cairo_move_to(cr, ex + 11 * ca, ey + 11 * sa);
      cairo_line_to(cr, ex + 11 * ca + 7 * std::cos(b), ey + 11 * sa + 7 * std::sin(b));
    }
  }
  cairo_stroke(cr);
  return cairo.image();
}

// Keep-out zones for small details: the waving band (they would wobble), and the sky
// around the box, which the scene copies from a few pixels away.
bool detailAllowed(double x, double y, double r) {
  if (x - r < 360 && x + r > 40 && y + r > 115 && y - r < 380) return false;
  if (x + r >= kFlagX) {
    for (double xx = std::max<double>(kFlagX, x - r); xx <= x + r; xx += 1) {
      int c = int(xx) - kFlagX;
      if (c >= kFlagW) break;
      if (y + r > bandTop(c) - kWaveAmplitude - 2 &&
          y - r < bandTop(c) + bandHeight(c) + kWaveAmplitude + 2)
        return false;
    }
  }
  return true;
}

void stars(Cairo& cairo) {
  cairo_t* cr = cairo.cr();
  Rng rng(1225);
  for (int placed = 0, tries = 0; placed < 70 && tries < 5000; ++tries) {
    double x = rng.below(640) + 0.5, y = rng.below(370) + 0.5;
    bool big = rng.below(6) == 0;
    double r = big ? 3 : 1;
    if (!detailAllowed(x, y, r + 2)) continue;
    Rgb c = rng.below(3) ? hex("#dfe9ff") : hex("#fff2a8");
    double a = 0.45 + 0.5 * rng.unit() * (1 - y / 400);
    cairo.rgb(c, a);
    cairo_rectangle(cr, x - 0.5, y - 0.5, 1, 1);
    if (big) {
      cairo_rectangle(cr, x - 2.5, y - 0.5, 5, 1);
      cairo_rectangle(cr, x - 0.5, y - 2.5, 1, 5);
    }
    cairo_fill(cr);
    ++placed;
  }
}

void moon(Cairo& cairo) {
  cairo_t* cr = cairo.cr();
  const double mx = 58, my = 62, r = 21;
  cairo_pattern_t* halo = cairo_pattern_create_radial(mx, my, r, mx, my, r * 2.6);
  cairo_pattern_add_color_stop_rgba(halo, 0, 1, 0.95, 0.75, 0.28);
  cairo_pattern_add_color_stop_rgba(halo, 1, 1, 0.95, 0.75, 0);
  cairo_set_source(cr, halo);
  cairo_arc(cr, mx, my, r * 2.6, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(halo);
  cairo.rgb(hex("#fff2a8"));
  cairo_arc(cr, mx, my, r, 0, 2 * kPi);
  cairo_fill(cr);
  // A few soft craters.
  cairo.rgb(hex("#ffcf6b"), 0.45);
  const double craters[][3] = {{-7, -5, 5}, {6, 6, 4}, {8, -8, 2.5}, {-4, 10, 3}};
  for (auto& k : craters) {
    cairo_arc(cr, mx + k[0], my + k[1], k[2], 0, 2 * kPi);
    cairo_fill(cr);
  }
}

// Strings of party lights along the top, sagging between their hooks.
void lights(Cairo& cairo) {
  cairo_t* cr = cairo.cr();
  const Rgb bulbs[] = {hex("#ffcf6b"), hex("#ff9d3b"), hex("#e0562a"), hex("#fff2a8")};
  const double strands[][3] = {{-10, 200, 30}, {200, 410, 26}};  // from x, to x, sag
  int k = 0;
  for (auto& s : strands) {
    auto wire = [&](double x) {
      double u = (x - s[0]) / (s[1] - s[0]);
      return 5 + s[2] * 4 * u * (1 - u);
    };
    cairo_set_line_width(cr, 1.2);
    cairo.rgb(hex("#0b1030"));
    cairo_move_to(cr, s[0], wire(s[0]));
    for (double x = s[0]; x <= s[1]; x += 2) cairo_line_to(cr, x, wire(x));
    cairo_stroke(cr);
    for (double x = s[0] + 12; x < s[1] - 6; x += 19, ++k) {
      double y = wire(x) + 5;
      Rgb c = bulbs[k % 4];
      cairo_pattern_t* glow = cairo_pattern_create_radial(x, y, 2, x, y, 11);
      cairo_pattern_add_color_stop_rgba(glow, 0, c.r / 255.0, c.g / 255.0, c.b / 255.0, 0.5);
      cairo_pattern_add_color_stop_rgba(glow, 1, c.r / 255.0, c.g / 255.0, c.b / 255.0, 0);
      cairo_set_source(cr, glow);
      cairo_arc(cr, x, y, 11, 0, 2 * kPi);
      cairo_fill(cr);
      cairo_pattern_destroy(glow);
      cairo.rgb(hex("#0b1030"));
      cairo_rectangle(cr, x - 1.5, y - 5, 3, 3);
      cairo_fill(cr);
      cairo.rgb(c);
      cairo_arc(cr, x, y + 0.5, 3.2, 0, 2 * kPi);
      cairo_fill(cr);
      cairo.rgb(hex("#ffffff"), 0.8);
      cairo_arc(cr, x - 1, y - 0.5, 1, 0, 2 * kPi);
      cairo_fill(cr);
    }
  }
}

// Snowy hills, pines and a lit cabin in the lower right, below the waving band.
void landscape(Cairo& cairo) {
  cairo_t* cr = cairo.cr();
  auto hill = [](double x) {
    double y = 368 - 10 * std::sin((x - 300) / 55) - 7 * std::sin((x - 300) / 23);
    int c = std::clamp(int(x) - kFlagX, 0, kFlagW - 1);
    return std::max(y, double(bandTop(c) + bandHeight(c) + kWaveAmplitude + 4));
  };
  // Pines first, the hill's snow covers their feet.
  const double pines[][3] = {{603, 372, 136}, {630, 378, 112}, {574, 380, 88}};
  for (auto& p : pines) {
    double x = p[0], base = p[1], h = p[2];
    cairo.rgb(hex("#0b1030"));
    cairo_rectangle(cr, x - 3, base - 12, 6, 14);
    cairo_fill(cr);
    for (int tier = 0; tier < 4; ++tier) {
      double t0 = base - 10 - tier * h * 0.22, w = h * (0.36 - tier * 0.07);
      double top = t0 - h * 0.34;
      cairo.rgb(hex("#101a3e"));
      cairo_move_to(cr, x - w, t0);
      cairo_line_to(cr, x, top);
      cairo_line_to(cr, x + w, t0);
      cairo_close_path(cr);
      cairo_fill(cr);
      // Snow lying on each tier.
      cairo.rgb(hex("#dfe9ff"));
      cairo_move_to(cr, x - w * 0.55, t0 - h * 0.34 * 0.45);
      cairo_line_to(cr, x, top);
      cairo_line_to(cr, x + w * 0.55, t0 - h * 0.34 * 0.45);
      cairo_curve_to(cr, x + w * 0.2, t0 - h * 0.1, x - w * 0.2, t0 - h * 0.25, x - w * 0.55,
                     t0 - h * 0.34 * 0.45);
      cairo_fill(cr);
    }
  }
  // The cabin, its windows lit.
  const double cx = 468, cy = 338, cw = 66, ch = 40;
  cairo.rgb(hex("#3a2418"));
  cairo_rectangle(cr, cx, cy, cw, ch);
  cairo_fill(cr);
  cairo.rgb(hex("#22140c"));
  for (double y = cy + 6; y < cy + ch; y += 7) {
    cairo_rectangle(cr, cx, y, cw, 1.2);
  }
  cairo_fill(cr);
  for (double wx : {cx + 10, cx + 44}) {
    cairo_pattern_t* glow = cairo_pattern_create_radial(wx + 8, cy + 18, 4, wx + 8, cy + 18, 26);
    cairo_pattern_add_color_stop_rgba(glow, 0, 1, 0.8, 0.42, 0.45);
    cairo_pattern_add_color_stop_rgba(glow, 1, 1, 0.6, 0.23, 0);
    cairo_set_source(cr, glow);
    cairo_arc(cr, wx + 8, cy + 18, 26, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    cairo.rgb(hex("#ffcf6b"));
    cairo_rectangle(cr, wx, cy + 10, 16, 14);
    cairo_fill(cr);
    cairo.rgb(hex("#ff9d3b"));
    cairo_rectangle(cr, wx, cy + 19, 16, 5);
    cairo_fill(cr);
    cairo.rgb(hex("#22140c"));
    cairo_rectangle(cr, wx + 7.4, cy + 10, 1.4, 14);
    cairo_rectangle(cr, wx, cy + 16.4, 16, 1.4);
    cairo_fill(cr);
  }
  // Roof under a thick blanket of snow.
  cairo.rgb(hex("#22140c"));
  cairo_move_to(cr, cx - 10, cy + 2);
  cairo_line_to(cr, cx + cw / 2, cy - 26);
  cairo_line_to(cr, cx + cw + 10, cy + 2);
  cairo_close_path(cr);
  cairo_fill(cr);
  cairo.rgb(hex("#f4f7ff"));
  cairo_move_to(cr, cx - 12, cy + 1);
  cairo_line_to(cr, cx + cw / 2, cy - 30);
  cairo_line_to(cr, cx + cw + 12, cy + 1);
  cairo_curve_to(cr, cx + cw, cy + 5, cx + cw * 0.8, cy - 4, cx + cw / 2, cy - 20);
  cairo_curve_to(cr, cx + cw * 0.2, cy - 4, cx, cy + 6, cx - 12, cy + 1);
  cairo_fill(cr);
  // Chimney with a curl of warm smoke.
  cairo.rgb(hex("#3a2418"));
  cairo_rectangle(cr, cx + 50, cy - 30, 8, 16);
  cairo_fill(cr);
  cairo.rgb(hex("#f4f7ff"));
  cairo_rectangle(cr, cx + 49, cy - 33, 10, 4);
  cairo_fill(cr);

  // The snowfield, lit faintly blue, with a soft shadow line along its crest.
  cairo_move_to(cr, 300, kLyricY);
  for (double x = 300; x <= 640; x += 2) cairo_line_to(cr, x, hill(x));
  cairo_line_to(cr, 640, kLyricY);
  cairo_close_path(cr);
  cairo_pattern_t* snow = cairo_pattern_create_linear(0, 340, 0, kLyricY);
  cairo_pattern_add_color_stop_rgb(snow, 0, 0.96, 0.97, 1.0);
  cairo_pattern_add_color_stop_rgb(snow, 1, 0.62, 0.71, 0.85);
  cairo_set_source(cr, snow);
  cairo_fill(cr);
  cairo_pattern_destroy(snow);
  cairo_set_line_width(cr, 1);
  cairo.rgb(hex("#9fb4d9"), 0.8);
  for (double x = 300; x <= 640; x += 2) cairo_line_to(cr, x, hill(x) + 5);
  cairo_stroke(cr);
}

// The lyric bar along the bottom: dark and calm, and the same in every row, because the
// scene copies it ten rows higher than it lies in the picture. The sung lines are centred
// on the screen and the longest reach across its whole width.
void lyricPanel(Image& img, int xOffset, int y0) {
  for (int x = 0; x < img.w; ++x) {
    double u = (x + xOffset + 0.5) / 640.0;
    Rgb c = mix(hex("#0b1030"), hex("#16224f"), 0.5 + 0.5 * std::cos(u * 2 * kPi));
    for (int y = y0; y < img.h; ++y) img.set(x, y, c);
  }
}

// The frame of the effect box: a little karaoke monitor with snow on its roof.
// Its left part must cover every trace the box leaves when it moves left or up, because the
// scene repaints nothing there then; so it is opaque everywhere left of the flag, and where
// the drawing wants no frame it is painted in the sky colour behind it instead.
Image framePicture(const Context& ctx) {
  const int W = kFrameW, H = kFrameH;
  const int left = 9, right = 240, bottom = 183;  // the casing; below it icicles hang
  const int wx = kFrameDx, wy = kFrameDy, ww = kBoxW, wh = kBoxH;
  // Columns that always lie over the flag, which is repainted every frame.
  const int overFlag = kFlagX - (kFrameX - kSwayX);
  Cairo cairo(W, H);
  cairo_t* cr = cairo.cr();
  // Casing body with rounded corners on the right only; the left corners are cut by the
  // sky paint below.
  auto casing = [&](double inset) {
    double x0 = left + inset, x1 = right + 1 - inset, y0 = inset, y1 = bottom + 1 - inset,
           r = 9 - inset;
    cairo_new_path(cr);
    cairo_move_to(cr, x0 + r, y0);
    cairo_arc(cr, x1 - r, y0 + r, r, -kPi / 2, 0);
    cairo_arc(cr, x1 - r, y1 - r, r, 0, kPi / 2);
    cairo_arc(cr, x0 + r, y1 - r, r, kPi / 2, kPi);
    cairo_arc(cr, x0 + r, y0 + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
  };
  casing(0);
  cairo.rgb(hex("#0b1030"));
  cairo_fill(cr);
  casing(1.5);
  cairo_pattern_t* body = cairo_pattern_create_linear(0, 0, 0, bottom);
  cairo_pattern_add_color_stop_rgb(body, 0, 0x3b / 255.0, 0x6a / 255.0, 0xa8 / 255.0);
  cairo_pattern_add_color_stop_rgb(body, 0.12, 0x25 / 255.0, 0x40 / 255.0, 0x7a / 255.0);
  cairo_pattern_add_color_stop_rgb(body, 1, 0x16 / 255.0, 0x22 / 255.0, 0x4f / 255.0);
  cairo_set_source(cr, body);
  cairo_fill(cr);
  cairo_pattern_destroy(body);
  // Gold bezel round the picture.
  const double bz[][2] = {{4, 0x7a}, {3, 0xc9}, {2, 0xf2}, {1, 0x7a}};
  for (auto& b : bz) {
    double g = b[0];
    cairo_rectangle(cr, wx - g, wy - g, ww + 2 * g, wh + 2 * g);
    Rgb c = b[1] == 0x7a ? hex("#7a4a00") : b[1] == 0xc9 ? hex("#c98a12") : hex("#f2c232");
    cairo.rgb(c);
    cairo_fill(cr);
  }
  // Bottom panel: speaker grille, the name plate, two knobs.
  cairo.rgb(hex("#0b1030"));
  for (int gy = 0; gy < 3; ++gy)
    for (int gx = 0; gx < 7; ++gx) {
      cairo_arc(cr, 26 + gx * 6, 168 + gy * 6, 1.6, 0, 2 * kPi);
      cairo_fill(cr);
    }
  cairo_font_face_t* face = fontFace(ctx.roundFont);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  centredTextPath(cr, face, 15, 1.0, "KARAOKE", 125, 180);
  cairo_set_line_width(cr, 3);
  cairo.rgb(hex("#0b1030"));
  cairo_stroke_preserve(cr);
  cairo_pattern_t* gold = cairo_pattern_create_linear(0, 168, 0, 181);
  cairo_pattern_add_color_stop_rgb(gold, 0, 1, 0xf2 / 255.0, 0xa8 / 255.0);
  cairo_pattern_add_color_stop_rgb(gold, 0.5, 0xf2 / 255.0, 0xc2 / 255.0, 0x32 / 255.0);
  cairo_pattern_add_color_stop_rgb(gold, 1, 0xc9 / 255.0, 0x8a / 255.0, 0x12 / 255.0);
  cairo_set_source(cr, gold);
  cairo_fill(cr);
  cairo_pattern_destroy(gold);
  for (double kx : {196.0, 218.0}) {
    cairo.rgb(hex("#0b1030"));
    cairo_arc(cr, kx, 172, 7, 0, 2 * kPi);
    cairo_fill(cr);
    cairo.rgb(hex("#ff9d3b"));
    cairo_arc(cr, kx, 172, 5.5, 0, 2 * kPi);
    cairo_fill(cr);
    cairo.rgb(hex("#ffcf6b"));
    cairo_arc(cr, kx - 1.5, 170.5, 2, 0, 2 * kPi);
    cairo_fill(cr);
  }
  // A red "on air" lamp: it is live karaoke.
  cairo.rgb(hex("#e53935"));
  cairo_arc(cr, 178, 172, 2.5, 0, 2 * kPi);
  cairo_fill(cr);
  // Snow on the roof, heaped and uneven.
  cairo.rgb(hex("#f4f7ff"));
  cairo_move_to(cr, left, 0);
  cairo_line_to(cr, right + 1, 0);
  cairo_line_to(cr, right + 1, 3);
  for (double x = right + 1; x >= left; x -= 3)
    cairo_line_to(cr, x, 3.2 + 1.6 * std::sin(x * 0.21) + 1.2 * std::sin(x * 0.07 + 1));
  cairo_close_path(cr);
  cairo_fill(cr);
  // Icicles under the casing.
  Rng rng(31);
  for (double x = left + 8; x < right - 6; x += 7 + rng.below(6)) {
    double len = 2 + rng.below(5);
    cairo.rgb(hex("#dfe9ff"), 0.9);
    cairo_move_to(cr, x - 1.6, bottom + 0.5);
    cairo_line_to(cr, x + 1.6, bottom + 0.5);
    cairo_line_to(cr, x, bottom + 0.5 + len);
    cairo_close_path(cr);
    cairo_fill(cr);
  }
  Image img = cairo.image();
  // The picture window.
  for (int y = wy; y < wy + wh; ++y)
    for (int x = wx; x < wx + ww; ++x) img.set(x, y, {0, 0, 0}, 0);
  // Left of the flag: no pixel may be see-through; blend whatever is not frame onto the sky
  // that lies behind it with the box at rest. Over the flag: keep the alpha.
  for (int y = 0; y < H; ++y) {
    Rgb s = sky(kFrameY + y + 0.5);
    for (int x = 0; x < W; ++x) {
      if (y >= wy && y < wy + wh && x >= wx && x < wx + ww) continue;
      uint8_t* p = img.at(x, y);
      if (x < overFlag) {
        Rgb c = mix(s, {p[0], p[1], p[2]}, p[3] / 255.0);
        img.set(x, y, c, 255);
      }
    }
  }
  return img;
}

// The upper frame line: a gold rail along the bottom edge of the upper black band, with
// icicles hanging from it.
Image upperLine() {
  Image img(640, 16);
  for (int x = 0; x < 640; ++x) {
    const Rgb rail[] = {hex("#7a4a00"), hex("#fff2a8"), hex("#f2c232"),
                        hex("#c98a12"), hex("#7a4a00"), hex("#2e1a00")};
    for (int y = 0; y < 6; ++y) img.set(x, y, rail[y]);
  }
  Cairo cairo(640, 16);
  cairo.load(img);
  cairo_t* cr = cairo.cr();
  Rng rng(90);
  for (double x = 3; x < 640; x += 5 + rng.below(9)) {
    double len = 3 + rng.below(8);
    cairo_pattern_t* ice = cairo_pattern_create_linear(0, 6, 0, 6 + len);
    cairo_pattern_add_color_stop_rgba(ice, 0, 0.87, 0.91, 1, 0.95);
    cairo_pattern_add_color_stop_rgba(ice, 1, 0.62, 0.71, 0.85, 0.6);
    cairo_set_source(cr, ice);
    cairo_move_to(cr, x - 1.8, 6);
    cairo_line_to(cr, x + 1.8, 6);
    cairo_line_to(cr, x, 6 + len);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_pattern_destroy(ice);
  }
  return cairo.image();
}

// The lower frame line: the same rail along the top edge of the lower black band, with
// snow heaped on it. Above the snow the picture is see-through.
Image lowerLine() {
  const int rail = kLowerBandTop - kLowerLineY - 2;  // rail rows start here
  Image img(640, rail + 6);
  const Rgb railRows[] = {hex("#2e1a00"), hex("#fff2a8"), hex("#f2c232"),
                          hex("#c98a12"), hex("#7a4a00"), hex("#2e1a00")};
  for (int x = 0; x < 640; ++x)
    for (int y = 0; y < 6; ++y) img.set(x, rail + y, railRows[y]);
  Cairo cairo(img.w, img.h);
  cairo.load(img);
  cairo_t* cr = cairo.cr();
  cairo_move_to(cr, 0, rail + 1);
  Rng rng(385);
  double phase = 0;
  for (double x = 0; x <= 640; x += 4) {
    phase += 0.2 + 0.3 * rng.unit();
    double h = 2.5 + 2.5 * std::max(0.0, std::sin(phase)) + 1.5 * std::sin(x * 0.013);
    cairo_line_to(cr, x, rail + 1 - std::max(1.0, h));
  }
  cairo_line_to(cr, 640, rail + 1);
  cairo_close_path(cr);
  cairo_pattern_t* snow = cairo_pattern_create_linear(0, rail - 8, 0, rail + 1);
  cairo_pattern_add_color_stop_rgb(snow, 0, 1, 1, 1);
  cairo_pattern_add_color_stop_rgb(snow, 1, 0.78, 0.84, 0.94);
  cairo_set_source(cr, snow);
  cairo_fill(cr);
  cairo_pattern_destroy(snow);
  return cairo.image();
}

}  // namespace

void buildScenery(const Context& ctx) {
  Image flag = flagPicture();
  Image scene(640, 480);
  for (int y = 0; y < 480; ++y) {
    Rgb s = sky(y + 0.5);
    for (int x = 0; x < kFlagX; ++x) scene.set(x, y, s);
  }
  for (int y = 0; y < kFlagH; ++y)
    for (int x = 0; x < kFlagW; ++x)
      std::copy(flag.at(x, y), flag.at(x, y) + 4, scene.at(kFlagX + x, y));
  {
    Cairo cairo(640, 480);
    cairo.load(scene);
    stars(cairo);
    moon(cairo);
    lights(cairo);
    landscape(cairo);
    scene = cairo.image();
  }
  lyricPanel(scene, 0, kLyricY);
  // The flag picture is the scene's right part, so the scene's own copies of the background
  // match the flag wherever the two meet. Its bar starts two rows lower: the waving band can
  // pull rows up by 15, and the lower frame line hides the first rows of the bar anyway.
  Image right = scene.crop(kFlagX, 0, kFlagW, kFlagH);
  {
    Image bar = flag.crop(0, 0, kFlagW, kFlagH);
    for (int y = kLyricY; y < kLyricY + 2; ++y)
      for (int x = 0; x < kFlagW; ++x) std::copy(bar.at(x, y), bar.at(x, y) + 4, right.at(x, y));
  }
  writePng(ctx.outDir + "/kakbg.png", scene, Channels::Rgb);
  writePng(ctx.outDir + "/bg_flag.png", right, Channels::Rgb);
  writePng(ctx.outDir + "/nyruta.png", framePicture(ctx), Channels::Rgba);
  writePng(ctx.outDir + "/linjeuppe.png", upperLine(), Channels::Rgba);
  writePng(ctx.outDir + "/linjenere.png", lowerLine(), Channels::Rgba);
}

}  // namespace art
