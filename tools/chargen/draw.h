// Renders the sheet's pictures with cairo. Every function returns a new
// ARGB32 image surface that the caller destroys.
#pragma once

#include <cairo.h>

#include "sheet.h"

namespace chargen {

cairo_surface_t* drawCreature(const Sheet& sheet, const Pose& pose);
cairo_surface_t* drawPlatform(const Sheet& sheet);
cairo_surface_t* drawFlame(const Sheet& sheet, const Flame& flame);

}  // namespace chargen
