// maravel_font_start: fontconfig's start-up as a whole process, the part of
// a preview that does not depend on the document. Starts a font book the
// way the page writer does (configuration, family list, one match, one
// face) and measures one word; prints nothing.
#include "html/font_book.hpp"

int main() {
  maravel::FontBook fonts;
  return fonts.width("Davacı", maravel::TextRun{}, 12) > 0 ? 0 : 1;
}
