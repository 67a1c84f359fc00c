#include "draw.h"

#include <cmath>

namespace chargen {

namespace {

const double kPi = 3.14159265358979323846;

void paint(cairo_t* cr, const Colour& c, double alpha = 1.0) {
  cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

// Fill with `fill`, then a dark outline on top, the look every part shares.
void fillInked(cairo_t* cr, const Sheet& sh, const Colour& fill, double width = 1.4) {
  paint(cr, fill);
  cairo_fill_preserve(cr);
  paint(cr, sh.colour("ink"));
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

void ellipse(cairo_t* cr, double x, double y, double rx, double ry) {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, rx, ry);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
  cairo_restore(cr);
}

// A thick stroke with an ink rim: limbs are drawn as two passes of the same
// path, the wide dark one first.
void limb(cairo_t* cr, const Sheet& sh, double x0, double y0, double x1, double y1, double width,
          const Colour& colour) {
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
  paint(cr, sh.colour("ink"));
  cairo_set_line_width(cr, width + 2.6);
  cairo_stroke_preserve(cr);
  paint(cr, colour);
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

// The fur's edge: a round body with small pointed tufts brushed round it,
// uneven in length so it reads as fur rather than a gear.
void furPath(cairo_t* cr, double r) {
  const int tufts = 15;
  const double step = 2 * kPi / tufts;
  const double reach[] = {3.8, 2.8, 4.4, 3.2, 3.6};
  cairo_new_path(cr);
  for (int i = 0; i < tufts; ++i) {
    double a0 = -kPi / 2 + i * step;
    double a1 = a0 + step;
    double tipA = a0 + step * 0.78, out = r + reach[i % 5];
    cairo_arc(cr, 0, 0, r, a0, a0 + step * 0.3);
    cairo_curve_to(cr, (r + 1.5) * std::cos(a0 + step * 0.5), (r + 1.5) * std::sin(a0 + step * 0.5),
                   out * std::cos(tipA - step * 0.08), out * std::sin(tipA - step * 0.08),
                   out * std::cos(tipA), out * std::sin(tipA));
    cairo_curve_to(cr, (r + 0.5) * std::cos(tipA), (r + 0.5) * std::sin(tipA),
                   r * std::cos(a1 - step * 0.1), r * std::sin(a1 - step * 0.1), r * std::cos(a1),
                   r * std::sin(a1));
  }
  cairo_close_path(cr);
}

void drawMitten(cairo_t* cr, const Sheet& sh, double sx, double sy, double hx, double hy) {
  // The thumb points away from the arm, turned towards the top, so raised
  // and lowered hands both read as hands.
  double dx = hx - sx, dy = hy - sy;
  double len = std::hypot(dx, dy);
  if (len < 1e-6) len = 1;
  dx /= len;
  dy /= len;
  double px = -dy, py = dx;
  if (py > 0) {
    px = -px;
    py = -py;
  }
  ellipse(cr, hx + px * 3.6 + dx * 0.8, hy + py * 3.6 + dy * 0.8, 2.2, 2.2);
  fillInked(cr, sh, sh.colour("hat"), 1.2);
  ellipse(cr, hx, hy, 4.8, 4.8);
  fillInked(cr, sh, sh.colour("hat"), 1.3);
  ellipse(cr, hx - 1.4, hy - 1.6, 1.5, 1.1);
  paint(cr, sh.colour("hat-light"), 0.9);
  cairo_fill(cr);
}

// Arms in front of the body start lower, so that they pass under the mouth
// instead of across it.
Vec shoulder(const Sheet& sh, int side, bool front) {
  double sign = side == 0 ? -1 : 1;
  if (front) return {sign * sh.radius * 0.62, sh.radius * 0.42};
  return {sign * sh.radius * 0.7, sh.radius * 0.18};
}

void drawUpperArm(cairo_t* cr, const Sheet& sh, int side, const Arm& arm) {
  Vec s = shoulder(sh, side, arm.front);
  limb(cr, sh, s.x, s.y, arm.hand.x, arm.hand.y, 5.6, sh.colour("fur"));
}

void drawHand(cairo_t* cr, const Sheet& sh, int side, const Arm& arm) {
  Vec s = shoulder(sh, side, arm.front);
  drawMitten(cr, sh, s.x, s.y, arm.hand.x, arm.hand.y);
}

void drawBody(cairo_t* cr, const Sheet& sh) {
  const double r = sh.radius;
  furPath(cr, r);
  cairo_pattern_t* shade =
      cairo_pattern_create_radial(-r * 0.35, -r * 0.35, r * 0.1, 0, 0, r * 1.12);
  const Colour& light = sh.colour("fur-light");
  const Colour& mid = sh.colour("fur");
  const Colour& dark = sh.colour("fur-dark");
  cairo_pattern_add_color_stop_rgb(shade, 0.0, light.r, light.g, light.b);
  cairo_pattern_add_color_stop_rgb(shade, 0.55, mid.r, mid.g, mid.b);
  cairo_pattern_add_color_stop_rgb(shade, 1.0, dark.r, dark.g, dark.b);
  cairo_set_source(cr, shade);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(shade);
  paint(cr, sh.colour("ink"));
  cairo_set_line_width(cr, 1.6);
  cairo_stroke(cr);

  // A few tufts so the ball reads as fur rather than a plain disc.
  paint(cr, dark);
  cairo_set_line_width(cr, 1.2);
  const double tufts[][2] = {{-0.74, 0.36}, {0.76, 0.34}, {0.02, 0.8}};
  for (const auto& t : tufts) {
    double x = t[0] * r, y = t[1] * r;
    cairo_move_to(cr, x - 2.2, y - 1.6);
    cairo_line_to(cr, x, y + 1.2);
    cairo_line_to(cr, x + 2.2, y - 1.6);
    cairo_stroke(cr);
  }
}

void drawEye(cairo_t* cr, const Sheet& sh, double ex, double ey, Eyes state, Vec look,
             double inward) {
  const double r = sh.radius;
  const double rx = r * 0.26, ry = r * 0.32;
  const Colour& ink = sh.colour("ink");
  if (state == Eyes::Open) {
    ellipse(cr, ex, ey, rx, ry);
    fillInked(cr, sh, sh.colour("eye"), 1.4);
    double px = ex + inward + look.x, py = ey + 1.5 + look.y;
    ellipse(cr, px, py, r * 0.14, r * 0.16);
    paint(cr, sh.colour("pupil"));
    cairo_fill(cr);
    ellipse(cr, px - 1.3, py - 1.6, 1.4, 1.4);
    paint(cr, sh.colour("eye"));
    cairo_fill(cr);
    return;
  }
  paint(cr, ink);
  cairo_set_line_width(cr, 2.0);
  if (state == Eyes::Closed) {
    // Lids down: a soft downward curve with two lashes.
    cairo_move_to(cr, ex - rx, ey + 1);
    cairo_curve_to(cr, ex - rx * 0.5, ey + 5, ex + rx * 0.5, ey + 5, ex + rx, ey + 1);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.3);
    cairo_move_to(cr, ex - rx * 0.55, ey + 3.6);
    cairo_line_to(cr, ex - rx * 0.8, ey + 6);
    cairo_move_to(cr, ex + rx * 0.55, ey + 3.6);
    cairo_line_to(cr, ex + rx * 0.8, ey + 6);
    cairo_stroke(cr);
  } else {
    // Squeezed shut with joy: an upward arch.
    cairo_move_to(cr, ex - rx, ey + 3);
    cairo_curve_to(cr, ex - rx * 0.5, ey - 3.5, ex + rx * 0.5, ey - 3.5, ex + rx, ey + 3);
    cairo_stroke(cr);
  }
}

void drawMouth(cairo_t* cr, const Sheet& sh, Mouth m) {
  const double r = sh.radius;
  const double my = r * 0.36;
  const Colour& inside = sh.colour("mouth");
  const Colour& tongue = sh.colour("tongue");
  switch (m) {
    case Mouth::Smile:
    case Mouth::Grin: {
      double w = r * (m == Mouth::Grin ? 0.46 : 0.4);
      cairo_move_to(cr, -w, my - 2.5);
      cairo_curve_to(cr, -w * 0.4, my - 0.5, w * 0.4, my - 0.5, w, my - 2.5);
      cairo_curve_to(cr, w * 0.8, my + r * 0.34, -w * 0.8, my + r * 0.34, -w, my - 2.5);
      cairo_close_path(cr);
      break;
    }
    case Mouth::Open: ellipse(cr, 0, my + 2, r * 0.27, r * 0.25); break;
    case Mouth::Oh: ellipse(cr, 0, my + 2, r * 0.15, r * 0.17); break;
  }
  cairo_path_t* shape = cairo_copy_path(cr);
  paint(cr, inside);
  cairo_fill_preserve(cr);
  cairo_save(cr);
  cairo_clip(cr);
  ellipse(cr, 0, my + r * 0.3, r * 0.22, r * 0.13);
  paint(cr, tongue);
  cairo_fill(cr);
  if (m == Mouth::Grin) {
    cairo_rectangle(cr, -r, my - 4, 2 * r, 3.6);
    paint(cr, sh.colour("eye"));
    cairo_fill(cr);
  }
  cairo_restore(cr);
  cairo_append_path(cr, shape);
  cairo_path_destroy(shape);
  paint(cr, sh.colour("ink"));
  cairo_set_line_width(cr, 1.4);
  cairo_stroke(cr);
}

void drawFace(cairo_t* cr, const Sheet& sh, const Pose& p) {
  const double r = sh.radius;
  for (int s = -1; s <= 1; s += 2) {
    ellipse(cr, s * r * 0.64, r * 0.2, r * 0.14, r * 0.09);
    paint(cr, sh.colour("blush"), 0.55);
    cairo_fill(cr);
  }
  const double ex = r * 0.34, ey = -r * 0.1;
  Eyes left = p.eyes, right = p.eyes;
  if (p.eyes == Eyes::Wink) {
    left = Eyes::Open;
    right = Eyes::Happy;
  }
  drawEye(cr, sh, -ex, ey, left, p.look, 1.0);
  drawEye(cr, sh, ex, ey, right, p.look, -1.0);
  drawMouth(cr, sh, p.mouth);
}

void drawHat(cairo_t* cr, const Sheet& sh) {
  const double r = sh.radius;
  const double band = -r * 0.52;
  const Colour& hat = sh.colour("hat");

  // The floppy tip hangs to one side with its bobble: an uneven outline
  // that tells the creature from a plain ball at a glance.
  cairo_move_to(cr, r * 0.2, -r * 0.98);
  cairo_curve_to(cr, r * 0.5, -r * 1.04, r * 0.74, -r * 0.98, r * 0.8, -r * 0.8);
  paint(cr, sh.colour("ink"));
  cairo_set_line_width(cr, 9.4);
  cairo_stroke_preserve(cr);
  paint(cr, hat);
  cairo_set_line_width(cr, 6.8);
  cairo_stroke(cr);

  // Dome.
  cairo_save(cr);
  cairo_translate(cr, 0, band);
  cairo_scale(cr, r * 0.94, r * 0.58);
  cairo_new_path(cr);
  cairo_arc(cr, 0, 0, 1, kPi, 2 * kPi);
  cairo_close_path(cr);
  cairo_restore(cr);
  cairo_path_t* dome = cairo_copy_path(cr);
  cairo_pattern_t* shade = cairo_pattern_create_linear(-r * 0.5, -r * 1.1, r * 0.6, band);
  const Colour& light = sh.colour("hat-light");
  cairo_pattern_add_color_stop_rgb(shade, 0, light.r, light.g, light.b);
  cairo_pattern_add_color_stop_rgb(shade, 1, hat.r, hat.g, hat.b);
  cairo_set_source(cr, shade);
  cairo_fill(cr);
  cairo_pattern_destroy(shade);
  // A knitted stripe across the dome.
  cairo_save(cr);
  cairo_append_path(cr, dome);
  cairo_clip(cr);
  cairo_rectangle(cr, -r, band - r * 0.36, 2 * r, r * 0.12);
  paint(cr, sh.colour("hat-stripe"));
  cairo_fill(cr);
  cairo_restore(cr);
  cairo_append_path(cr, dome);
  paint(cr, sh.colour("ink"));
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
  cairo_path_destroy(dome);

  // Turned-up rim with ribbing.
  const double w = r * 1.0, top = band - 3, h = 7;
  cairo_new_path(cr);
  cairo_move_to(cr, -w + 3, top);
  cairo_line_to(cr, w - 3, top);
  cairo_curve_to(cr, w + 1, top, w + 1, top + h, w - 3, top + h);
  cairo_curve_to(cr, w * 0.4, top + h + 1.5, -w * 0.4, top + h + 1.5, -w + 3, top + h);
  cairo_curve_to(cr, -w - 1, top + h, -w - 1, top, -w + 3, top);
  cairo_close_path(cr);
  cairo_path_t* rim = cairo_copy_path(cr);
  paint(cr, sh.colour("hat-rim"));
  cairo_fill(cr);
  cairo_save(cr);
  cairo_append_path(cr, rim);
  cairo_clip(cr);
  paint(cr, sh.colour("hat-rim-shade"));
  cairo_set_line_width(cr, 1.0);
  for (double x = -w + 3.5; x < w; x += 3.5) {
    cairo_move_to(cr, x, top);
    cairo_line_to(cr, x, top + h + 2);
  }
  cairo_stroke(cr);
  cairo_restore(cr);
  cairo_append_path(cr, rim);
  paint(cr, sh.colour("ink"));
  cairo_set_line_width(cr, 1.4);
  cairo_stroke(cr);
  cairo_path_destroy(rim);

  // Bobble.
  const double bx = r * 0.8, by = -r * 0.78;
  ellipse(cr, bx, by, 5.2, 5.2);
  fillInked(cr, sh, sh.colour("hat-rim"), 1.4);
  ellipse(cr, bx - 1.5, by - 1.6, 2.0, 1.6);
  paint(cr, sh.colour("eye"));
  cairo_fill(cr);
}

void starPath(cairo_t* cr, double x, double y, int points, double outer, double inner,
              double turn) {
  cairo_new_path(cr);
  for (int i = 0; i < points * 2; ++i) {
    double a = turn + i * kPi / points;
    double rr = (i % 2) ? inner : outer;
    if (i == 0)
      cairo_move_to(cr, x + rr * std::sin(a), y - rr * std::cos(a));
    else
      cairo_line_to(cr, x + rr * std::sin(a), y - rr * std::cos(a));
  }
  cairo_close_path(cr);
}

void drawEffect(cairo_t* cr, const Sheet& sh, const Effect& e) {
  const double s = e.size, x = e.at.x, y = e.at.y;
  if (e.kind == "burst") {
    starPath(cr, x, y, 8, 10 * s, 4.5 * s, 0.2);
    paint(cr, sh.colour("flash"));
    cairo_fill_preserve(cr);
    paint(cr, sh.colour("flash-edge"));
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
  } else if (e.kind == "spark") {
    ellipse(cr, x, y, 4 * s, 4 * s);
    paint(cr, sh.colour("flash"), 0.55);
    cairo_fill(cr);
    starPath(cr, x, y, 4, 8 * s, 1.7 * s, 0);
    paint(cr, sh.colour("eye"));
    cairo_fill_preserve(cr);
    paint(cr, sh.colour("flash-edge"));
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
  } else if (e.kind == "puff") {
    // Snow kicked up by a stamping foot; `size` below zero drifts it left.
    double dir = s < 0 ? -1 : 1, k = std::fabs(s);
    const double blobs[][3] = {{0, 0, 4.2}, {4.6, -1.8, 3.4}, {8.2, 0.4, 2.6}, {2.4, -4.2, 2.8}};
    for (const auto& b : blobs) ellipse(cr, x + dir * b[0] * k, y + b[1] * k, b[2] * k, b[2] * k);
    paint(cr, sh.colour("puff-edge"));
    cairo_set_line_width(cr, 2.4);
    cairo_stroke_preserve(cr);
    paint(cr, sh.colour("puff"));
    cairo_fill(cr);
  } else if (e.kind == "swish") {
    // Two motion arcs round a moving hand, on the side `size` points to
    // (degrees clockwise from straight up).
    double dir = (s - 90) * kPi / 180.0;
    paint(cr, sh.colour("flash"));
    cairo_set_line_width(cr, 1.5);
    for (double radius : {6.0, 8.5}) {
      cairo_new_sub_path(cr);
      cairo_arc(cr, x, y, radius, dir - 0.42, dir + 0.42);
    }
    cairo_stroke(cr);
  } else if (e.kind == "note") {
    // A quaver: the karaoke in the air.
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, s, s);
    cairo_move_to(cr, 2.4, 0);
    cairo_line_to(cr, 2.4, -9);
    cairo_curve_to(cr, 4.5, -7, 6.5, -6.5, 6, -3.5);
    cairo_restore(cr);
    paint(cr, sh.colour("ink"));
    cairo_set_line_width(cr, 3.0);
    cairo_stroke_preserve(cr);
    paint(cr, sh.colour("flash"));
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, -0.35);
    ellipse(cr, 0, 0, 3.0 * s, 2.2 * s);
    cairo_restore(cr);
    fillInked(cr, sh, sh.colour("flash"), 1.1);
  }
}

// Where a flame sits across its picture: the two flames are the same
// picture drawn twice, so they stand symmetric under the body only if the
// flame is off the picture's middle by as much as the body is off the middle
// of the flames' drawing points.
double flameCentre(const Sheet& sh) {
  return sh.body.x - (sh.flameAt[0].x + sh.flameAt[1].x) / 2.0;
}

cairo_t* startPicture(cairo_surface_t** surface, int w, int h) {
  *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(*surface);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  return cr;
}

void finish(cairo_t* cr, cairo_surface_t* surface) {
  cairo_destroy(cr);
  cairo_surface_flush(surface);
}

}  // namespace

cairo_surface_t* drawCreature(const Sheet& sh, const Pose& p) {
  cairo_surface_t* surface;
  cairo_t* cr = startPicture(&surface, sh.frameW, sh.frameH);
  const double r = sh.radius;
  const double hipY = r * 0.8;

  // Body space: origin at the body's centre; the lean turns round the hips
  // and the squash keeps the hips where they are.
  cairo_translate(cr, sh.body.x + p.shift.x, sh.body.y + p.shift.y);
  cairo_translate(cr, 0, hipY);
  cairo_rotate(cr, p.lean * kPi / 180.0);
  cairo_scale(cr, 1.0 + (1.0 - p.squash) * 0.6, p.squash);
  cairo_translate(cr, 0, -hipY);
  cairo_matrix_t body;
  cairo_get_matrix(cr, &body);
  cairo_identity_matrix(cr);

  // Legs stand in frame space, so the feet stay planted however the body
  // leans; each runs from a hip under the body to its foot.
  const double feetY = sh.frameH - 4.5;
  for (int s = 0; s < 2; ++s) {
    double sign = s == 0 ? -1 : 1;
    double hx = sign * r * 0.4, hy = hipY;
    cairo_matrix_transform_point(&body, &hx, &hy);
    double fx = sh.body.x + sign * r * 0.42 + p.foot[s].x;
    double fy = feetY + p.foot[s].y;
    limb(cr, sh, hx, hy, fx, fy - 2, 6.5, sh.colour("fur-dark"));
    ellipse(cr, fx + sign * 1.5, fy, 6.6, 3.6);
    fillInked(cr, sh, sh.colour("fur-dark"), 1.4);
    ellipse(cr, fx + sign * 1.5 - 1.5, fy - 1.2, 2.6, 1.1);
    paint(cr, sh.colour("fur"), 0.8);
    cairo_fill(cr);
  }

  cairo_set_matrix(cr, &body);
  for (int s = 0; s < 2; ++s)
    if (!p.arm[s].front) {
      drawUpperArm(cr, sh, s, p.arm[s]);
      drawHand(cr, sh, s, p.arm[s]);
    }
  drawBody(cr, sh);
  drawFace(cr, sh, p);
  drawHat(cr, sh);
  for (int s = 0; s < 2; ++s)
    if (p.arm[s].front) drawUpperArm(cr, sh, s, p.arm[s]);

  // A clap's flash goes over the arms but under the mittens that make it.
  cairo_identity_matrix(cr);
  for (const Effect& e : p.effects)
    if (e.kind == "burst") drawEffect(cr, sh, e);
  cairo_set_matrix(cr, &body);
  for (int s = 0; s < 2; ++s)
    if (p.arm[s].front) drawHand(cr, sh, s, p.arm[s]);
  cairo_identity_matrix(cr);
  for (const Effect& e : p.effects)
    if (e.kind != "burst") drawEffect(cr, sh, e);

  finish(cr, surface);
  return surface;
}

cairo_surface_t* drawPlatform(const Sheet& sh) {
  cairo_surface_t* surface;
  cairo_t* cr = startPicture(&surface, sh.platformW, sh.platformH);

  // Centred under the body, with a nozzle over each flame.
  const double cx = sh.body.x - sh.platformAt.x;
  double nozzle[2];
  for (int i = 0; i < 2; ++i) nozzle[i] = sh.flameAt[i].x + flameCentre(sh) - sh.platformAt.x;
  const double rx = std::fmin(cx, sh.platformW - cx) - 1.5;
  const double topY = 6.5, thick = 5.0, ry = 4.3;

  // Underside and nozzles first; the deck covers their tops.
  ellipse(cr, cx, topY + thick + 1, rx * 0.8, ry + 3.2);
  fillInked(cr, sh, sh.colour("stage-under"), 1.3);
  const double nozzleTop = topY + thick + 2, nozzleBottom = sh.platformH - 1.6;
  for (double nx : nozzle) {
    cairo_move_to(cr, nx - 5.5, nozzleTop);
    cairo_line_to(cr, nx + 5.5, nozzleTop);
    cairo_line_to(cr, nx + 3.8, nozzleBottom);
    cairo_line_to(cr, nx - 3.8, nozzleBottom);
    cairo_close_path(cr);
    cairo_pattern_t* metal = cairo_pattern_create_linear(nx - 5, 0, nx + 5, 0);
    const Colour& hi = sh.colour("metal-light");
    const Colour& lo = sh.colour("metal");
    cairo_pattern_add_color_stop_rgb(metal, 0, lo.r, lo.g, lo.b);
    cairo_pattern_add_color_stop_rgb(metal, 0.35, hi.r, hi.g, hi.b);
    cairo_pattern_add_color_stop_rgb(metal, 1, lo.r, lo.g, lo.b);
    cairo_set_source(cr, metal);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(metal);
    paint(cr, sh.colour("ink"));
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    // The hot mouth of the jet.
    cairo_move_to(cr, nx - 3.2, nozzleBottom - 0.4);
    cairo_line_to(cr, nx + 3.2, nozzleBottom - 0.4);
    paint(cr, sh.colour("flame-core"));
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
  }

  // Front skirt of the deck with its row of bulbs.
  cairo_new_path(cr);
  cairo_move_to(cr, cx - rx, topY);
  cairo_line_to(cr, cx - rx, topY + thick);
  cairo_save(cr);
  cairo_translate(cr, cx, topY + thick);
  cairo_scale(cr, rx, ry);
  cairo_arc_negative(cr, 0, 0, 1, kPi, 0);
  cairo_restore(cr);
  cairo_line_to(cr, cx + rx, topY);
  cairo_close_path(cr);
  fillInked(cr, sh, sh.colour("stage-skirt"), 1.3);
  for (int i = -5; i <= 5; ++i) {
    double a = kPi / 2 - i * 0.24;
    double bx = cx + rx * 0.93 * std::cos(a);
    double by = topY + thick * 0.55 + ry * std::sin(a);
    ellipse(cr, bx, by, 1.6, 1.6);
    paint(cr, sh.colour("bulb"));
    cairo_fill(cr);
  }

  // Deck top, a warm lit stage floor with its boards.
  ellipse(cr, cx, topY, rx, ry);
  cairo_pattern_t* floor = cairo_pattern_create_linear(0, topY - ry, 0, topY + ry);
  const Colour& f0 = sh.colour("stage-floor-light");
  const Colour& f1 = sh.colour("stage-floor");
  cairo_pattern_add_color_stop_rgb(floor, 0, f0.r, f0.g, f0.b);
  cairo_pattern_add_color_stop_rgb(floor, 1, f1.r, f1.g, f1.b);
  cairo_set_source(cr, floor);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(floor);
  cairo_save(cr);
  cairo_clip_preserve(cr);
  cairo_new_path(cr);
  paint(cr, sh.colour("stage-floor-line"), 0.6);
  cairo_set_line_width(cr, 0.8);
  for (double y = topY - ry + 2.5; y < topY + ry; y += 2.6) {
    cairo_move_to(cr, cx - rx, y);
    cairo_line_to(cr, cx + rx, y);
  }
  cairo_stroke(cr);
  cairo_restore(cr);
  ellipse(cr, cx, topY, rx, ry);
  paint(cr, sh.colour("ink"));
  cairo_set_line_width(cr, 1.4);
  cairo_stroke(cr);

  finish(cr, surface);
  return surface;
}

cairo_surface_t* drawFlame(const Sheet& sh, const Flame& f) {
  cairo_surface_t* surface;
  cairo_t* cr = startPicture(&surface, sh.flameW, sh.flameH);
  const double cx = flameCentre(sh);

  // Nested tongues, hottest inside, each shorter and narrower.
  const char* layers[] = {"flame-outer", "flame-mid", "flame-inner", "flame-core"};
  const double scale[] = {1.0, 0.72, 0.48, 0.26};
  for (int i = 0; i < 4; ++i) {
    double w = f.width * scale[i] / 2, len = f.length * (0.35 + 0.65 * scale[i]);
    double tip = f.tip * scale[i];
    cairo_move_to(cr, cx - w, 0);
    cairo_line_to(cr, cx + w, 0);
    cairo_curve_to(cr, cx + w, len * 0.45, cx + tip + w * 0.3, len * 0.8, cx + tip, len);
    cairo_curve_to(cr, cx + tip - w * 0.3, len * 0.8, cx - w, len * 0.45, cx - w, 0);
    cairo_close_path(cr);
    paint(cr, sh.colour(layers[i]), i == 0 ? 0.9 : 1.0);
    cairo_fill(cr);
  }
  for (const Vec& e : f.embers) {
    cairo_rectangle(cr, cx + e.x, e.y, 1, 1);
    paint(cr, sh.colour("flame-inner"));
    cairo_fill(cr);
  }

  finish(cr, surface);
  return surface;
}

}  // namespace chargen
