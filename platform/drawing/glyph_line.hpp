// One line of glyphs drawn with cairo and HarfBuzz directly, for text that
// needs none of a layout's work: no wrapping, one face that has every
// character, left to right. It gives the pixels pango gives for the same
// text, font and point, for a fraction of the work: one fontconfig match
// instead of a sorted fallback list, no layout and no helper threads.
#pragma once

#include <cairo.h>

#include <string_view>

#include "platform/drawing/drawing_context.hpp"

namespace maravel::drawing {

// Draws `text` with the top of its line at `point` in the source colour set
// on `cr`, as pango_cairo_show_layout does for a layout at 72 dpi with
// unhinted metrics. False, having drawn nothing, when the text needs more
// than one line of glyphs can give (a character outside the Latin letters,
// a control character, a family list) or the face lacks one of its
// characters: the caller then draws it with a layout.
bool drawGlyphLine(cairo_t* cr, std::string_view text, const Point& point, const Font& font);

}  // namespace maravel::drawing
