// Outline fonts from the system's font packages, as cairo font faces.
#pragma once

#include <cairo.h>

#include <string>

namespace art {

// Opens a TrueType file once per process; the face lives until process end.
cairo_font_face_t* fontFace(const std::string& path);

// Sets the current path to the text with its baseline start at (x, y).
// xScale squeezes the letters horizontally without changing their height.
void textPath(cairo_t* cr, cairo_font_face_t* face, double size, double xScale,
              const std::string& utf8, double x, double y);

// Ink width of the text at the given size, for centring.
double textWidth(cairo_t* cr, cairo_font_face_t* face, double size, double xScale,
                 const std::string& utf8);

// Sets the current path to the text, its ink centred on cx; the caller strokes and fills it.
void centredTextPath(cairo_t* cr, cairo_font_face_t* face, double size, double xScale,
                     const std::string& utf8, double cx, double baseline);

}  // namespace art
