// The colour-cycling picture and the greeting cards of the closing slide show.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "artgen.h"
#include "canvas.h"
#include "text.h"

namespace art {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kW = 200, kH = 150;

void setRgb(cairo_t* cr, Rgb c, double a = 1.0) {
  cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, a);
}

// The karaoke microphone with two notes and a snow crystal, as a coverage mask.
std::vector<double> psychoShape() {
  Cairo cairo(kW, kH);
  cairo_t* cr = cairo.cr();
  setRgb(cr, {255, 255, 255});
  // Microphone head, neck and handle.
  cairo_arc(cr, 100, 48, 27, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_move_to(cr, 84, 74);
  cairo_line_to(cr, 116, 74);
  cairo_line_to(cr, 108, 136);
  cairo_arc(cr, 100, 136, 8, 0, kPi);
  cairo_line_to(cr, 92, 136);
  cairo_close_path(cr);
  cairo_fill(cr);
  // Grille: cut out, so it reads as the other tone.
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_set_line_width(cr, 2.4);
  for (int k = -3; k <= 3; ++k) {
    cairo_move_to(cr, 100 + k * 7, 26);
    cairo_line_to(cr, 100 + k * 7, 70);
    cairo_move_to(cr, 76, 48 + k * 7);
    cairo_line_to(cr, 124, 48 + k * 7);
  }
  cairo_stroke(cr);
  cairo_rectangle(cr, 86, 86, 28, 3);
  cairo_fill(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  // Two notes on the left, a crystal on the right.
  auto note = [&](double x, double y, double s) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, s, s);
    cairo_save(cr);
    cairo_scale(cr, 1.3, 1.0);
    cairo_arc(cr, 0, 0, 7, 0, 2 * kPi);
    cairo_restore(cr);
    cairo_fill(cr);
    cairo_rectangle(cr, 6, -40, 4, 40);
    cairo_fill(cr);
    cairo_move_to(cr, 10, -40);
    cairo_curve_to(cr, 22, -34, 26, -24, 20, -14);
    cairo_curve_to(cr, 22, -24, 16, -28, 10, -30);
    cairo_fill(cr);
    cairo_restore(cr);
  };
  note(34, 78, 1.0);
  note(48, 124, 0.75);
  cairo_set_line_width(cr, 5);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (int k = 0; k < 6; ++k) {
    double a = k * kPi / 3, ca = std::cos(a), sa = std::sin(a);
    const double cx = 160, cy = 96;
    cairo_move_to(cr, cx, cy);
    cairo_line_to(cr, cx + 24 * ca, cy + 24 * sa);
    for (int side : {-1, 1}) {
      double b = a + side * 0.8;
      cairo_move_to(cr, cx + 13 * ca, cy + 13 * sa);
      cairo_line_to(cr, cx + 13 * ca + 9 * std::cos(b), cy + 13 * sa + 9 * std::sin(b));
    }
  }
  cairo_stroke(cr);
  Image img = cairo.image();
  std::vector<double> m(size_t(kW) * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) m[size_t(y) * kW + x] = img.at(x, y)[3] / 255.0;
  return m;
}

// The colour filter shows each channel as (start - value) mod 256 with a start value that
// sweeps through 0..255, so the darkest and the brightest value end up next to each other
// whenever the sweep passes between them. Two values 128 apart stay 128 apart at every
// moment; so the shape lies 128 above the background in every channel, and both carry slow
// ripples of less than 128 that the sweep turns into travelling colour bands.
void buildPsycho(const Context& ctx) {
  auto shape = psychoShape();
  Image img(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      double dx = x - 100, dy = y - 75, d = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
      double r = 63.5 + 63 * std::sin(d * 0.09);
      double g = 63.5 + 63 * std::sin(d * 0.06 + 2 * a + 1);
      double b = 63.5 + 63 * std::sin(x * 0.05 - y * 0.035 + 2);
      double m = 128 * shape[size_t(y) * kW + x];
      auto ch = [m](double v) { return uint8_t(std::clamp(std::lround(v + m), 0L, 255L)); };
      img.set(x, y, {ch(r), ch(g), ch(b)});
    }
  writePng(ctx.outDir + "/psycho.png", img, Channels::Rgb);
}

struct Card {
  std::string file, motif, small;
  std::vector<std::string> name;
};

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

std::vector<Card> readCards(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<Card> cards;
  std::string line;
  while (std::getline(in, line)) {
    if (trim(line).empty() || trim(line)[0] == '#') continue;
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string part; std::getline(ss, part, '|');) f.push_back(trim(part));
    if (f.size() != 4) throw std::runtime_error("bad card line: " + line);
    Card c{f[0], f[1], f[2], {}};
    std::stringstream ns(f[3]);
    for (std::string part; std::getline(ns, part, '/');) c.name.push_back(trim(part));
    cards.push_back(c);
  }
  return cards;
}

void linear(cairo_t* cr, double x0, double y0, double x1, double y1, Rgb a, Rgb b) {
  cairo_pattern_t* p = cairo_pattern_create_linear(x0, y0, x1, y1);
  cairo_pattern_add_color_stop_rgb(p, 0, a.r / 255.0, a.g / 255.0, a.b / 255.0);
  cairo_pattern_add_color_stop_rgb(p, 1, b.r / 255.0, b.g / 255.0, b.b / 255.0);
  cairo_set_source(cr, p);
  cairo_paint(cr);
  cairo_pattern_destroy(p);
}

void motifBun(cairo_t* cr) {
  linear(cr, 0, 0, 0, kH, hex("#fb8c00"), hex("#e0562a"));
  const double cx = 100, cy = 52;
  setRgb(cr, hex("#7a4a00"));
  cairo_arc(cr, cx, cy, 38, 0, 2 * kPi);
  cairo_fill(cr);
  setRgb(cr, hex("#c98a12"));
  cairo_arc(cr, cx, cy, 35, 0, 2 * kPi);
  cairo_fill(cr);
  setRgb(cr, hex("#7a4a00"));
  cairo_set_line_width(cr, 5);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (double t = 0; t < 5.2 * kPi; t += 0.05) {
    double r = 3 + t * 1.85;
    double x = cx + r * std::cos(t), y = cy + r * std::sin(t);
    t == 0 ? cairo_move_to(cr, x, y) : cairo_line_to(cr, x, y);
  }
  cairo_stroke(cr);
  Rng rng(5);
  setRgb(cr, hex("#ffffff"));
  for (int i = 0; i < 28; ++i) {
    double a = rng.unit() * 2 * kPi, r = rng.unit() * 30;
    cairo_rectangle(cr, cx + r * std::cos(a), cy + r * std::sin(a), 2.5, 2);
  }
  cairo_fill(cr);
}

void motifFlake(cairo_t* cr) {
  linear(cr, 0, 0, 0, kH, hex("#1e88e5"), hex("#16224f"));
  Rng rng(8);
  setRgb(cr, hex("#dfe9ff"), 0.6);
  for (int i = 0; i < 40; ++i) {
    cairo_arc(cr, rng.below(kW), rng.below(kH), 1 + rng.unit() * 1.5, 0, 2 * kPi);
    cairo_fill(cr);
  }
  setRgb(cr, hex("#ffffff"));
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, 6);
  const double cx = 100, cy = 52;
  for (int k = 0; k < 6; ++k) {
    double a = k * kPi / 3 + kPi / 6, ca = std::cos(a), sa = std::sin(a);
    cairo_move_to(cr, cx, cy);
    cairo_line_to(cr, cx + 40 * ca, cy + 40 * sa);
    for (double at : {18.0, 30.0})
      for (int side : {-1, 1}) {
        double b = a + side * 0.8;
        cairo_move_to(cr, cx + at * ca, cy + at * sa);
        cairo_line_to(cr, cx + at * ca + 11 * std::cos(b), cy + at * sa + 11 * std::sin(b));
      }
  }
  cairo_stroke(cr);
}

// Soft out-of-focus lights, like a photo of a party taken through a frosted window: the
// one card kept as a JPEG.
void motifBokeh(cairo_t* cr) {
  linear(cr, 0, 0, kW, kH, hex("#3949ab"), hex("#8e24aa"));
  Rng rng(3);
  const Rgb warm[] = {hex("#ffcf6b"), hex("#ff9d3b"), hex("#fff2a8"), hex("#e53935"),
                      hex("#dfe9ff")};
  for (int i = 0; i < 34; ++i) {
    double x = rng.below(kW), y = rng.below(kH), r = 6 + rng.unit() * 18;
    Rgb c = warm[rng.below(5)];
    cairo_pattern_t* p = cairo_pattern_create_radial(x, y, 0, x, y, r);
    cairo_pattern_add_color_stop_rgba(p, 0, c.r / 255.0, c.g / 255.0, c.b / 255.0, 0.55);
    cairo_pattern_add_color_stop_rgba(p, 0.8, c.r / 255.0, c.g / 255.0, c.b / 255.0, 0.35);
    cairo_pattern_add_color_stop_rgba(p, 1, c.r / 255.0, c.g / 255.0, c.b / 255.0, 0);
    cairo_set_source(cr, p);
    cairo_arc(cr, x, y, r, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  }
  // A heart in the middle: grandma's modem is loved.
  cairo_save(cr);
  cairo_translate(cr, 100, 50);
  cairo_move_to(cr, 0, 34);
  cairo_curve_to(cr, -44, 6, -30, -30, 0, -12);
  cairo_curve_to(cr, 30, -30, 44, 6, 0, 34);
  setRgb(cr, hex("#e53935"));
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 3);
  setRgb(cr, hex("#fff2a8"));
  cairo_stroke(cr);
  cairo_restore(cr);
}

void motifKeys(cairo_t* cr) {
  linear(cr, 0, 0, 0, kH, hex("#16224f"), hex("#0b1030"));
  const double top = 8, h = 88, w = 20;
  for (int k = 0; k < 10; ++k) {
    double x = k * w;
    bool broken = k == 6;
    setRgb(cr, broken ? hex("#9aa3b5") : hex("#f4f7ff"));
    cairo_rectangle(cr, x + 1, top + (broken ? 10 : 0), w - 2, h - (broken ? 4 : 0));
    cairo_fill(cr);
    if (broken) {
      // The broken key hangs askew with a crack across it.
      setRgb(cr, hex("#4a4f5c"));
      cairo_set_line_width(cr, 1.5);
      cairo_move_to(cr, x + 2, top + 50);
      cairo_line_to(cr, x + 9, top + 56);
      cairo_line_to(cr, x + 13, top + 49);
      cairo_line_to(cr, x + 19, top + 57);
      cairo_stroke(cr);
    }
  }
  for (int k : {0, 1, 3, 4, 5, 7, 8}) {
    setRgb(cr, hex("#0b1030"));
    cairo_rectangle(cr, (k + 1) * w - 6, top, 12, 54);
    cairo_fill(cr);
  }
}

void motifBubbles(cairo_t* cr) {
  linear(cr, 0, 0, 0, kH, hex("#fdd835"), hex("#43a047"));
  Rng rng(12);
  cairo_set_line_width(cr, 1.6);
  for (int i = 0; i < 45; ++i) {
    double x = rng.below(kW), y = rng.below(kH), r = 2 + rng.unit() * rng.unit() * 14;
    setRgb(cr, hex("#ffffff"), 0.22);
    cairo_arc(cr, x, y, r, 0, 2 * kPi);
    cairo_fill_preserve(cr);
    setRgb(cr, hex("#ffffff"), 0.85);
    cairo_stroke(cr);
    cairo_arc(cr, x - r * 0.35, y - r * 0.35, r * 0.22, 0, 2 * kPi);
    cairo_fill(cr);
  }
}

void motifHotdog(cairo_t* cr) {
  linear(cr, 0, 0, 0, kH, hex("#43a047"), hex("#16224f"));
  cairo_save(cr);
  cairo_translate(cr, 100, 52);
  cairo_rotate(cr, -0.12);
  auto capsule = [&](double w, double h) {
    cairo_new_path(cr);
    cairo_arc(cr, -w / 2 + h / 2, 0, h / 2, kPi / 2, 3 * kPi / 2);
    cairo_arc(cr, w / 2 - h / 2, 0, h / 2, -kPi / 2, kPi / 2);
    cairo_close_path(cr);
  };
  setRgb(cr, hex("#c98a12"));
  capsule(150, 44);
  cairo_fill(cr);
  setRgb(cr, hex("#e0562a"));
  capsule(168, 22);
  cairo_fill(cr);
  setRgb(cr, hex("#ffcf6b"), 0.6);
  cairo_rectangle(cr, -70, -7, 140, 3);
  cairo_fill(cr);
  setRgb(cr, hex("#fdd835"));
  cairo_set_line_width(cr, 3.5);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, -64, 0);
  for (int k = 0; k < 16; ++k) cairo_line_to(cr, -60 + k * 8, k % 2 ? -5 : 5);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void motifPlaid(cairo_t* cr) {
  setRgb(cr, hex("#e53935"));
  cairo_paint(cr);
  for (int k = 0; k < kW; k += 24) {
    setRgb(cr, hex("#0b1030"), 0.45);
    cairo_rectangle(cr, k + 4, 0, 9, kH);
    cairo_rectangle(cr, 0, k + 4, kW, 9);
    cairo_fill(cr);
    setRgb(cr, hex("#fff2a8"), 0.5);
    cairo_rectangle(cr, k + 18, 0, 1.5, kH);
    cairo_rectangle(cr, 0, k + 18, kW, 1.5);
    cairo_fill(cr);
  }
}

// The hosts' little barn under the stars.
void motifBarn(cairo_t* cr) {
  linear(cr, 0, 0, 0, kH, hex("#0b1030"), hex("#25407a"));
  Rng rng(21);
  setRgb(cr, hex("#fff2a8"));
  for (int i = 0; i < 30; ++i) {
    cairo_rectangle(cr, rng.below(kW), rng.below(60), 1.2, 1.2);
  }
  cairo_fill(cr);
  setRgb(cr, hex("#dfe9ff"));
  cairo_rectangle(cr, 0, 86, kW, kH - 86);
  cairo_fill(cr);
  setRgb(cr, hex("#e53935"));
  cairo_rectangle(cr, 62, 40, 76, 50);
  cairo_fill(cr);
  setRgb(cr, hex("#f4f7ff"));
  cairo_move_to(cr, 54, 44);
  cairo_line_to(cr, 100, 12);
  cairo_line_to(cr, 146, 44);
  cairo_line_to(cr, 138, 46);
  cairo_line_to(cr, 100, 20);
  cairo_line_to(cr, 62, 46);
  cairo_close_path(cr);
  cairo_fill(cr);
  setRgb(cr, hex("#7a1a18"));
  cairo_move_to(cr, 62, 46);
  cairo_line_to(cr, 100, 20);
  cairo_line_to(cr, 138, 46);
  cairo_close_path(cr);
  cairo_fill(cr);
  // Open doors, warm light spilling on the snow.
  setRgb(cr, hex("#ffcf6b"));
  cairo_rectangle(cr, 88, 60, 24, 30);
  cairo_fill(cr);
  setRgb(cr, hex("#ff9d3b"), 0.5);
  cairo_move_to(cr, 88, 90);
  cairo_line_to(cr, 112, 90);
  cairo_line_to(cr, 128, 104);
  cairo_line_to(cr, 72, 104);
  cairo_close_path(cr);
  cairo_fill(cr);
  setRgb(cr, hex("#ffffff"));
  cairo_set_line_width(cr, 2);
  cairo_move_to(cr, 88, 60), cairo_line_to(cr, 112, 90);
  cairo_move_to(cr, 112, 60), cairo_line_to(cr, 88, 90);
  cairo_stroke(cr);
}

void lettering(cairo_t* cr, const Context& ctx, const Card& card) {
  cairo_font_face_t* face = fontFace(ctx.roundFont);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  // The small line on a dark strip, the name below it in gold.
  setRgb(cr, hex("#0b1030"), 0.55);
  cairo_rectangle(cr, 0, 92, kW, kH - 92);
  cairo_fill(cr);
  centredTextPath(cr, face, 10, 1.0, card.small, 100, 105);
  setRgb(cr, hex("#dfe9ff"));
  cairo_fill(cr);
  const double lineH = card.name.size() > 1 ? 20 : 26;
  double size = 19;
  for (auto& line : card.name)
    size = std::min(size, 19 * 184 / std::max(184.0, textWidth(cr, face, 19, 1.0, line)));
  for (size_t i = 0; i < card.name.size(); ++i) {
    double base = 126 + i * lineH - (card.name.size() > 1 ? 0 : -4);
    centredTextPath(cr, face, size, 1.0, card.name[i], 100, base);
    cairo_set_line_width(cr, 4);
    setRgb(cr, hex("#0b1030"));
    cairo_stroke_preserve(cr);
    cairo_pattern_t* gold = cairo_pattern_create_linear(0, base - size * 0.75, 0, base);
    cairo_pattern_add_color_stop_rgb(gold, 0, 1, 0xf2 / 255.0, 0xa8 / 255.0);
    cairo_pattern_add_color_stop_rgb(gold, 0.45, 0xf2 / 255.0, 0xc2 / 255.0, 0x32 / 255.0);
    cairo_pattern_add_color_stop_rgb(gold, 1, 0xc9 / 255.0, 0x8a / 255.0, 0x12 / 255.0);
    cairo_set_source(cr, gold);
    cairo_fill(cr);
    cairo_pattern_destroy(gold);
  }
}

void buildCard(const Context& ctx, const Card& card) {
  Cairo cairo(kW, kH);
  cairo_t* cr = cairo.cr();
  const std::string& m = card.motif;
  if (m == "bun")
    motifBun(cr);
  else if (m == "flake")
    motifFlake(cr);
  else if (m == "bokeh")
    motifBokeh(cr);
  else if (m == "keys")
    motifKeys(cr);
  else if (m == "bubbles")
    motifBubbles(cr);
  else if (m == "hotdog")
    motifHotdog(cr);
  else if (m == "plaid")
    motifPlaid(cr);
  else if (m == "barn")
    motifBarn(cr);
  else
    throw std::runtime_error("unknown card motif " + m);
  lettering(cr, ctx, card);
  Image img = cairo.image();
  const std::string path = ctx.outDir + "/" + card.file;
  if (card.file.size() > 4 && card.file.compare(card.file.size() - 4, 4, ".jpg") == 0)
    writeJpeg(path, img, 90);
  else
    writePng(path, img, Channels::Rgb);
}

}  // namespace

void buildCards(const Context& ctx) {
  buildPsycho(ctx);
  for (const Card& card : readCards(ctx.assetDir + "/greetings.txt")) buildCard(ctx, card);
}

}  // namespace art
