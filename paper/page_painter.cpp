#include "paper/page_painter.hpp"

namespace maravel {

namespace {

drawing::Color color(std::uint32_t rgb) {
  return drawing::Color::calibratedRGB(((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                                       (rgb & 0xFF) / 255.0);
}

}  // namespace

void PagePainter::paint(const PaperPage& page, drawing::PageCanvas& canvas) {
  for (const PaperBox& box : page.marks.boxes)
    canvas.fillRect({box.x, box.y, box.width, box.height}, color(box.color));
  for (const PaperPicture& picture : page.marks.pictures) {
    if (picture.image)
      canvas.drawImage(picture.image->base64, {picture.x, picture.y, picture.width, picture.height});
  }
  for (const PaperText& text : page.marks.texts) {
    const drawing::TextStyle style{text.family, text.size, text.bold, text.italic, color(text.color)};
    canvas.drawText(text.text, {text.x, text.baseline}, style, text.spaceExtra);
  }
  for (const PaperRule& rule : page.marks.rules) {
    canvas.drawLine({rule.x1, rule.y1}, {rule.x2, rule.y2}, rule.width, color(rule.color));
  }
}

}  // namespace maravel
