#include "paper/paper_document.hpp"

namespace maravel {

void PaperMarks::shift(double dx, double dy) {
  for (PaperBox& box : boxes) box.x += dx, box.y += dy;
  for (PaperPicture& picture : pictures) picture.x += dx, picture.y += dy;
  for (PaperText& text : texts) text.x += dx, text.baseline += dy;
  for (PaperRule& rule : rules) rule.x1 += dx, rule.x2 += dx, rule.y1 += dy, rule.y2 += dy;
}

void PaperMarks::append(PaperMarks&& other, double dx, double dy) {
  other.shift(dx, dy);
  const auto move = [](auto& to, auto& from) {
    to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
  };
  move(boxes, other.boxes);
  move(pictures, other.pictures);
  move(texts, other.texts);
  move(rules, other.rules);
}

void PaperMarks::dropGlyphs() {
  // Assigning {} would keep the capacity.
  for (PaperText& text : texts) std::vector<fonts::ShapedGlyph>().swap(text.glyphs);
}

}  // namespace maravel
