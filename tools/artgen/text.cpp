#include "text.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <map>
#include <stdexcept>

namespace art {

namespace {
FT_Library library() {
  static FT_Library lib = [] {
    FT_Library l;
    if (FT_Init_FreeType(&l)) throw std::runtime_error("FreeType init failed");
    return l;
  }();
  return lib;
}

void setFont(cairo_t* cr, cairo_font_face_t* face, double size, double xScale) {
  cairo_set_font_face(cr, face);
  cairo_matrix_t m;
  cairo_matrix_init_scale(&m, size * xScale, size);
  cairo_set_font_matrix(cr, &m);
  // Unhinted outlines: the same shapes whatever the rendering settings of the machine.
  cairo_font_options_t* opt = cairo_font_options_create();
  cairo_font_options_set_hint_style(opt, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(opt, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr, opt);
  cairo_font_options_destroy(opt);
}
}  // namespace

cairo_font_face_t* fontFace(const std::string& path) {
  static std::map<std::string, cairo_font_face_t*> faces;
  auto it = faces.find(path);
  if (it != faces.end()) return it->second;
  FT_Face ft;
  if (FT_New_Face(library(), path.c_str(), 0, &ft))
    throw std::runtime_error("cannot open font " + path);
  cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(ft, 0);
  faces[path] = face;
  return face;
}

void textPath(cairo_t* cr, cairo_font_face_t* face, double size, double xScale,
              const std::string& utf8, double x, double y) {
  setFont(cr, face, size, xScale);
  cairo_new_path(cr);
  cairo_move_to(cr, x, y);
  cairo_text_path(cr, utf8.c_str());
}

double textWidth(cairo_t* cr, cairo_font_face_t* face, double size, double xScale,
                 const std::string& utf8) {
  cairo_save(cr);
  textPath(cr, face, size, xScale, utf8, 0, 0);
  double x1, y1, x2, y2;
  cairo_path_extents(cr, &x1, &y1, &x2, &y2);
  cairo_new_path(cr);
  cairo_restore(cr);
  return x2 - x1;
}

void centredTextPath(cairo_t* cr, cairo_font_face_t* face, double size, double xScale,
                     const std::string& utf8, double cx, double baseline) {
  textPath(cr, face, size, xScale, utf8, 0, 0);
  double x1, y1, x2, y2;
  cairo_path_extents(cr, &x1, &y1, &x2, &y2);
  textPath(cr, face, size, xScale, utf8, cx - (x1 + x2) / 2, baseline);
}

}  // namespace art
