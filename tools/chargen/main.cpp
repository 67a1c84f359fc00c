// chargen: draws the creature's sprite frames, its stage platform and the
// jet flames from the character sheet.
//
//   chargen SHEET OUTDIR [PREVIEW.png]
//
// Writes OUTDIR/NAME.png for every frame, the platform and every flame; with
// a third argument also a preview strip of every picture on the night sky.
#include <cairo.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "draw.h"
#include "sheet.h"

using namespace chargen;

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void save(cairo_surface_t* picture, const std::string& path) {
  // cairo's PNG writer stores no time stamp or other varying chunk, so the
  // same sheet gives the same bytes.
  if (cairo_surface_write_to_png(picture, path.c_str()) != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error("cannot write " + path);
}

// Every picture side by side on the show's sky colour, the character frames
// standing on the platform over their flames as the show places them.
void savePreview(const Sheet& sh, const std::string& outdir, const std::string& path) {
  const int cell = 112, rows = 100;
  const int count = static_cast<int>(sh.poses.size());
  cairo_surface_t* strip = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cell * count, rows);
  cairo_t* cr = cairo_create(strip);
  const Colour& sky = sh.colour("sky");
  cairo_set_source_rgb(cr, sky.r, sky.g, sky.b);
  cairo_paint(cr);
  cairo_surface_t* platform =
      cairo_image_surface_create_from_png((outdir + "/" + sh.platformName + ".png").c_str());
  cairo_surface_t* flame =
      cairo_image_surface_create_from_png((outdir + "/" + sh.flames.front().name + ".png").c_str());
  for (int i = 0; i < count; ++i) {
    // The show draws the frame at (x, y) and cleans the 110x100 area from
    // x - 20; the cell is that area.
    const double x = i * cell + 20, y = 0;
    cairo_set_source_surface(cr, platform, x + sh.platformAt.x, y + sh.platformAt.y);
    cairo_paint(cr);
    for (const Vec& at : sh.flameAt) {
      cairo_set_source_surface(cr, flame, x + at.x, y + at.y);
      cairo_paint(cr);
    }
    cairo_surface_t* frame =
        cairo_image_surface_create_from_png((outdir + "/" + sh.poses[i].name + ".png").c_str());
    cairo_set_source_surface(cr, frame, x, y);
    cairo_paint(cr);
    cairo_surface_destroy(frame);
  }
  cairo_surface_destroy(platform);
  cairo_surface_destroy(flame);
  cairo_destroy(cr);
  save(strip, path);
  cairo_surface_destroy(strip);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: chargen SHEET OUTDIR [PREVIEW.png]\n");
    return 2;
  }
  try {
    const Sheet sheet = parseSheet(readFile(argv[1]));
    const std::string outdir = argv[2];
    for (const Pose& pose : sheet.poses) {
      cairo_surface_t* picture = drawCreature(sheet, pose);
      save(picture, outdir + "/" + pose.name + ".png");
      cairo_surface_destroy(picture);
    }
    cairo_surface_t* platform = drawPlatform(sheet);
    save(platform, outdir + "/" + sheet.platformName + ".png");
    cairo_surface_destroy(platform);
    for (const Flame& flame : sheet.flames) {
      cairo_surface_t* picture = drawFlame(sheet, flame);
      save(picture, outdir + "/" + flame.name + ".png");
      cairo_surface_destroy(picture);
    }
    if (argc == 4) savePreview(sheet, outdir, argv[3]);
    // Leaves nothing behind for a leak checker in the sanitizer build.
    cairo_debug_reset_static_data();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "chargen: %s\n", e.what());
    return 1;
  }
  return 0;
}
