// The laid-out paper form of a document: pages of the document's paper
// size, each holding what is drawn on it at its final place.
//
// Coordinates are points from the page's top-left corner, y downwards.
// Marks are plain values; a picture mark points at the InlineImage of the
// UDFDocument it was laid out from and is valid only while that document
// is. Painting order on a page: boxes, pictures, texts, rules.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/udf_document.hpp"
#include "platform/fonts/font_face.hpp"

namespace maravel {

// One piece of one line in one face.
struct PaperText {
  double x = 0;         // left end of the text
  double baseline = 0;  // y of the baseline
  std::string text;     // no tabs, no line breaks
  std::string family;   // the installed family the font book resolved
  double size = 12;     // display size in points (sub- and superscript already applied)
  bool bold = false;
  bool italic = false;
  std::uint32_t color = 0;  // 0xRRGGBB
  // In a paragraph with right-to-left text, the direction of the text's
  // level; elsewhere the one its script has.
  fonts::TextDirection direction = fonts::TextDirection::fromText;
  double spaceExtra = 0;  // added to every space's advance on a justified line
  double width = 0;       // the advance of the whole text, spaceExtra included
  // Its glyphs as the layout shaped them in this face, clusters counted
  // from the text's start; none when the painter is to shape it.
  std::vector<fonts::ShapedGlyph> glyphs;
};

// A straight line: underline, strike-through, underlined tab, cell border.
struct PaperRule {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  double width = 0;
  std::uint32_t color = 0;
};

// A filled rectangle: a highlight behind text.
struct PaperBox {
  double x = 0, y = 0, width = 0, height = 0;
  std::uint32_t color = 0;
};

struct PaperPicture {
  double x = 0, y = 0, width = 0, height = 0;
  const InlineImage* image = nullptr;
};

// Everything drawn in one place, in painting order by kind.
struct PaperMarks {
  std::vector<PaperBox> boxes;
  std::vector<PaperPicture> pictures;
  std::vector<PaperText> texts;
  std::vector<PaperRule> rules;

  // Moves every mark by (dx, dy).
  void shift(double dx, double dy);
  // Appends `other`'s marks moved by (dx, dy).
  void append(PaperMarks&& other, double dx, double dy);
  // Lets go of every text's glyphs and the memory they held (a painter
  // shapes a text without them).
  void dropGlyphs();
  bool empty() const { return boxes.empty() && pictures.empty() && texts.empty() && rules.empty(); }
};

struct PaperPage {
  int number = 1;  // counted from 1
  double width = 0;
  double height = 0;
  PaperMarks marks;
};

struct PaperDocument {
  std::vector<PaperPage> pages;  // at least one
  // True when the body needed more pages than the layout makes; the pages
  // hold the beginning of the document.
  bool truncated = false;
};

}  // namespace maravel
