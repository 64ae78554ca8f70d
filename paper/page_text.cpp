#include "paper/page_text.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace maravel {
namespace {

// How far a face reaches above and below its baseline, in parts of its size.
constexpr double kAscent = 0.92;
constexpr double kDescent = 0.28;

bool continuesByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t characters(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return !continuesByte(c); }));
}

// How far `point` lies from the line box of `text`, vertically.
double distanceFromLine(const PaperText& text, drawing::Point point) {
  const double top = text.baseline - kAscent * text.size, bottom = text.baseline + kDescent * text.size;
  if (point.y < top) return top - point.y;
  if (point.y > bottom) return point.y - bottom;
  return 0;
}

double distanceAlong(const PaperText& text, double x) {
  if (x < text.x) return text.x - x;
  if (x > text.x + text.width) return x - text.x - text.width;
  return 0;
}

}  // namespace

PageText::PageText(const PaperMarks& marks) {
  const PaperText* last = nullptr;
  for (const PaperText& mark : marks.texts) {
    if (last != nullptr) {
      if (mark.baseline != last->baseline) {
        text_ += '\n';
      } else if (mark.x - (last->x + last->width) > mark.size / 2) {
        text_ += '\t';
      }
    }
    pieces_.push_back({text_.size(), &mark});
    text_ += mark.text;
    last = &mark;
  }
  if (last != nullptr) text_ += '\n';
}

double PageText::caretX(const PaperText& text, std::size_t offset, const Measure& measure) {
  offset = std::min(offset, text.text.size());
  const std::size_t spaces = static_cast<std::size_t>(
      std::count(text.text.begin(), text.text.begin() + static_cast<std::ptrdiff_t>(offset), ' '));
  if (!text.glyphs.empty()) {
    double x = text.x + text.spaceExtra * static_cast<double>(spaces);
    for (const fonts::ShapedGlyph& glyph : text.glyphs) {
      if (glyph.cluster < offset) x += glyph.advance;
    }
    return x;
  }
  if (measure && offset > 0) {
    const std::string_view whole = text.text;
    const double extra = text.spaceExtra * static_cast<double>(std::count(whole.begin(), whole.end(), ' '));
    const double full = measure(text, whole) + extra;
    if (full > 0 && std::isfinite(full)) {
      const double before =
          measure(text, whole.substr(0, offset)) + text.spaceExtra * static_cast<double>(spaces);
      return text.x + std::clamp(before / full, 0.0, 1.0) * text.width;
    }
  }
  const std::size_t all = characters(text.text);
  if (all == 0) return text.x;
  const std::size_t before = characters(std::string_view(text.text).substr(0, offset));
  return text.x + text.width * static_cast<double>(before) / static_cast<double>(all);
}

std::vector<drawing::Rect> PageText::boxes(std::size_t from, std::size_t to, const Measure& measure) const {
  std::vector<drawing::Rect> out;
  for (const Piece& piece : pieces_) {
    const std::size_t start = piece.start, end = piece.start + piece.mark->text.size();
    if (end <= from || start >= to) continue;
    const PaperText& mark = *piece.mark;
    const double left = caretX(mark, std::max(from, start) - start, measure);
    const double right = caretX(mark, std::min(to, end) - start, measure);
    const double top = mark.baseline - kAscent * mark.size;
    out.push_back({left, top, right - left, (kAscent + kDescent) * mark.size});
  }
  return out;
}

std::size_t PageText::offsetAt(drawing::Point point, const Measure& measure) const {
  const Piece* nearest = nullptr;
  double best = std::numeric_limits<double>::infinity(), bestAlong = best;
  for (const Piece& piece : pieces_) {
    const double across = distanceFromLine(*piece.mark, point);
    const double along = distanceAlong(*piece.mark, point.x);
    if (across < best || (across == best && along < bestAlong)) {
      nearest = &piece;
      best = across;
      bestAlong = along;
    }
  }
  if (nearest == nullptr) return 0;
  const PaperText& mark = *nearest->mark;
  std::size_t offset = 0;
  double left = caretX(mark, 0, measure);
  for (std::size_t at = 1; at <= mark.text.size(); ++at) {
    if (at < mark.text.size() && continuesByte(mark.text[at])) continue;
    const double right = caretX(mark, at, measure);
    if (point.x < (left + right) / 2) break;
    offset = at;
    left = right;
  }
  return nearest->start + offset;
}

}  // namespace maravel
