#include "paper/page_painter.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

namespace maravel {

namespace {

drawing::Color color(std::uint32_t rgb) {
  return drawing::Color::calibratedRGB(((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                                       (rgb & 0xFF) / 255.0);
}

// Rules along one line in one width and colour: a table's borders, cell by
// cell, and the underlines of neighbouring texts.
struct Line {
  bool vertical = false;
  double at = 0;  // y of a horizontal line, x of a vertical one
  double width = 0;
  std::uint32_t color = 0;
  auto key() const { return std::make_tuple(vertical, at, width, color); }
};

// The page's rules with those that overlap or touch along one line joined
// into one, drawn by line in the order the lines first appear. A table of
// 200 columns draws four rules a cell; cairo's print surfaces merge every
// drawing into the page's region of drawn rectangles, which costs as many
// steps as the region has rectangles, so a page of its cells would cost
// minutes drawn one by one, and a PDF page would hold four times the
// strokes. The joined rules cover exactly what the parts cover.
std::vector<PaperRule> joinedRules(const std::vector<PaperRule>& rules) {
  std::vector<PaperRule> out;
  std::map<std::tuple<bool, double, double, std::uint32_t>, std::size_t> lineOf;
  std::vector<std::vector<std::pair<double, double>>> spans;
  std::vector<Line> lines;
  for (const PaperRule& rule : rules) {
    const bool finite = std::isfinite(rule.x1) && std::isfinite(rule.x2) && std::isfinite(rule.y1) &&
                        std::isfinite(rule.y2) && std::isfinite(rule.width);
    const bool horizontal = rule.y1 == rule.y2, vertical = rule.x1 == rule.x2;
    if (!finite || horizontal == vertical) {
      out.push_back(rule);
      continue;
    }
    const Line line{vertical, vertical ? rule.x1 : rule.y1, rule.width, rule.color};
    auto [found, added] = lineOf.emplace(line.key(), lines.size());
    if (added) {
      lines.push_back(line);
      spans.emplace_back();
    }
    const double from = vertical ? rule.y1 : rule.x1, to = vertical ? rule.y2 : rule.x2;
    spans[found->second].emplace_back(std::min(from, to), std::max(from, to));
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::sort(spans[i].begin(), spans[i].end());
    const Line& line = lines[i];
    const auto emit = [&](std::pair<double, double> span) {
      out.push_back(line.vertical
                        ? PaperRule{line.at, span.first, line.at, span.second, line.width, line.color}
                        : PaperRule{span.first, line.at, span.second, line.at, line.width, line.color});
    };
    std::pair<double, double> current = spans[i].front();
    for (const auto& span : spans[i]) {
      if (span.first <= current.second) {
        current.second = std::max(current.second, span.second);
      } else {
        emit(current);
        current = span;
      }
    }
    emit(current);
  }
  return out;
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
    const drawing::TextStyle style{text.family, text.size,         text.bold,
                                   text.italic, color(text.color), text.direction};
    canvas.drawText(text.text, {text.x, text.baseline}, style, text.spaceExtra, text.glyphs);
  }
  for (const PaperRule& rule : joinedRules(page.marks.rules)) {
    canvas.drawLine({rule.x1, rule.y1}, {rule.x2, rule.y2}, rule.width, color(rule.color));
  }
}

}  // namespace maravel
