#include "html/paragraph_layout.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/text/byte_words.hpp"

namespace maravel {

namespace {

using Segment = ParagraphLayout::Segment;

constexpr double kDefaultTabInterval = 72;
constexpr double kTabPastLastStop = 5;

enum StopAlignment : std::int64_t { kRight = 1, kCenter = 2, kDecimal = 4 };

// Tabs stay; line breaks and every other C0 control character go.
std::string cleanRunText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t kept = 0;  // the start of what is still to be appended as it is
  for (std::size_t i = 0; i < text.size(); ++i) {
    // Eight bytes at a time past those that are kept as they are.
    for (; text.size() - i >= 8; i += 8) {
      const std::uint64_t word = text::wordAt(text.data() + i);
      if (text::anyByteBelow(word, 0x20) || text::anyByteIs(word, '\xC2') || text::anyByteIs(word, '\xE2'))
        break;
    }
    if (i == text.size()) break;
    const auto byte = static_cast<unsigned char>(text[i]);
    // Only control characters and the leads of U+0085, U+2028 and U+2029 matter.
    if ((byte >= 0x20 && byte != 0xC2 && byte != 0xE2) || byte == '\t') continue;
    std::size_t dropped = 0;
    if (byte < 0x20) {
      dropped = 1;
    } else if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x85) {
      dropped = 2;  // next line, U+0085
    } else if (byte == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
               (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
                static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
      dropped = 3;  // line and paragraph separators, U+2028 and U+2029
    } else {
      continue;
    }
    out.append(text, kept, i - kept);
    i += dropped - 1;
    kept = i + 1;
  }
  out.append(text, kept);
  return out;
}

}  // namespace

std::vector<Segment> ParagraphLayout::segments(const ParagraphItem& p) {
  bool cut = false;
  return segments(p, static_cast<std::size_t>(-1), cut);
}

std::vector<Segment> ParagraphLayout::segments(const ParagraphItem& p, std::size_t maxBytes, bool& cut) {
  std::vector<Segment> segments;
  std::size_t left = maxBytes;
  cut = false;
  const auto take = [&](std::size_t bytes) {
    cut = bytes > left;
    if (!cut) left -= bytes;
    return !cut;
  };
  for (const TextRun& run : p.runs) {
    if (run.image) {
      if (!take(kBoxBytes)) break;
      segments.push_back({Segment::Kind::image, &run, {}});
      continue;
    }
    std::string_view rest = run.text;
    while (true) {
      const std::size_t tab = rest.find('\t');
      std::string_view piece = rest.substr(0, tab);
      if (piece.size() > left) {
        std::size_t end = left;
        while (end > 0 && (static_cast<unsigned char>(piece[end]) & 0xC0) == 0x80) --end;
        piece = piece.substr(0, end);
        cut = true;
      }
      left -= piece.size();
      std::string text = cleanRunText(piece);
      if (!text.empty()) segments.push_back({Segment::Kind::text, &run, std::move(text)});
      if (cut || tab == std::string_view::npos || !take(kBoxBytes)) break;
      segments.push_back({Segment::Kind::tab, &run, {}});
      rest.remove_prefix(tab + 1);
    }
    if (cut) break;
  }
  return segments;
}

const TextRun& ParagraphLayout::baseRun(const ParagraphItem& p) {
  static const TextRun kDefaultRun;
  if (p.runs.empty()) return kDefaultRun;
  const TextRun* base = &p.runs.front();
  for (const TextRun& run : p.runs) {
    if (run.fontSize < base->fontSize) base = &run;
  }
  return *base;
}

TextRun ParagraphLayout::markerRun(const ParagraphItem& p) {
  const TextRun* source = p.runs.empty() ? nullptr : &p.runs.front();
  for (const TextRun& candidate : p.runs) {
    if (!candidate.text.empty() || candidate.image) {
      source = &candidate;
      break;
    }
  }
  TextRun run;
  if (source) {
    run.fontFamily = source->fontFamily;
    run.fontSize = source->fontSize;
    run.bold = source->bold;
    run.italic = source->italic;
    run.foreground = source->foreground;
  }
  return run;
}

double ParagraphLayout::markerWidth(std::string_view marker, const TextRun& markerRun) {
  return std::max(measure(marker, markerRun) + 0.5, 15.5);
}

double ParagraphLayout::displaySize(const TextRun& run) {
  return (run.isSubscript || run.isSuperscript) ? run.fontSize * 0.8 : run.fontSize;
}

double ParagraphLayout::measure(std::string_view text, const TextRun& run) {
  if (measuredBytesLeft_ == nullptr) return fonts_.width(text, run, displaySize(run));
  if (text.size() <= *measuredBytesLeft_) {
    *measuredBytesLeft_ -= text.size();
    return fonts_.width(text, run, displaySize(run));
  }
  *measuredBytesLeft_ = 0;
  const auto characters = static_cast<double>(std::count_if(
      text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
  return characters * displaySize(run) * 0.5;
}

ParagraphLayout::FollowingWidth ParagraphLayout::followingWidth(const std::vector<Segment>& segments,
                                                                std::size_t after) {
  FollowingWidth result;
  bool decimalFound = false;
  for (std::size_t i = after + 1; i < segments.size(); ++i) {
    const Segment& segment = segments[i];
    if (segment.kind == Segment::Kind::tab) break;
    if (segment.kind == Segment::Kind::image) {
      if (segment.run->image) result.full += segment.run->image->width;
      continue;
    }
    if (!decimalFound) {
      if (const std::size_t point = segment.text.find('.'); point != std::string::npos) {
        result.decimal = result.full + measure(std::string_view(segment.text).substr(0, point), *segment.run);
        decimalFound = true;
      }
    }
    result.full += measure(segment.text, *segment.run);
  }
  if (!decimalFound) result.decimal = result.full;
  return result;
}

std::optional<double> ParagraphLayout::fixedTabAdvance(TextAlignment alignment) {
  if (alignment == TextAlignment::center || alignment == TextAlignment::right) return kAlignedTabAdvance;
  return std::nullopt;
}

// Stops are sorted by position, so the first one beyond the pen is found by
// bisection; this keeps long stop lists from costing a scan per tab.
std::size_t ParagraphLayout::firstStopBeyond(const TabStopList& stops, double x) {
  std::size_t low = 0;
  std::size_t high = stops.size();
  while (low < high) {
    const std::size_t mid = low + (high - low) / 2;
    if (stops[mid].position > x + kTolerance) {
      high = mid;
    } else {
      low = mid + 1;
    }
  }
  return low;
}

// The position the tab at `index` moves the pen to from `x`: a fixed step in
// centred and right-aligned paragraphs, the next multiple of 72 points
// without stops, else the first stop beyond the pen (aligned against the
// text that follows), else 5 points on.
double ParagraphLayout::tabTarget(const ParagraphItem& p, const std::vector<Segment>& segments,
                                  std::size_t index, double x) {
  if (const std::optional<double> fixed = fixedTabAdvance(p.alignment)) return x + *fixed;
  if (!p.tabStops) return (std::floor(x / kDefaultTabInterval) + 1) * kDefaultTabInterval;
  const TabStopList& stops = *p.tabStops;
  const std::size_t low = firstStopBeyond(stops, x);
  if (low == stops.size()) return x + kTabPastLastStop;
  const TabStop& stop = stops[low];
  double next = stop.position;
  if (stop.alignment == kRight || stop.alignment == kCenter || stop.alignment == kDecimal) {
    const FollowingWidth following = followingWidth(segments, index);
    if (stop.alignment == kRight) next -= following.full;
    if (stop.alignment == kCenter) next -= following.full * 0.5;
    if (stop.alignment == kDecimal) next -= following.decimal;
    next = std::max(next, x);
  }
  return next;
}

ParagraphLayout::Result ParagraphLayout::layout(const ParagraphItem& p, const std::vector<Segment>& segments,
                                                double width) {
  Result result;
  std::size_t lastTab = segments.size();
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (segments[i].kind == Segment::Kind::tab) lastTab = i;
  }
  if (lastTab == segments.size()) return result;

  const double lineWidth = std::max(width - p.leftIndent - p.rightIndent, 1.0);
  const double limit = lineWidth + kTolerance;
  double x = p.firstLineIndent;
  int wraps = 0;
  bool placed = false;
  auto place = [&](double w) {
    if (placed && x + w > limit) {
      ++wraps;
      x = p.hanging;
    }
    x += w;
    placed = true;
  };

  for (std::size_t i = 0; i <= lastTab; ++i) {
    const Segment& segment = segments[i];
    if (segment.kind == Segment::Kind::image) {
      place(segment.run->image ? segment.run->image->width : 0);
    } else if (segment.kind == Segment::Kind::text) {
      std::string_view text = segment.text;
      while (!text.empty()) {
        const bool spaces = text.front() == ' ';
        std::size_t end = 0;
        while (end < text.size() && (text[end] == ' ') == spaces) ++end;
        const double w = measure(text.substr(0, end), *segment.run);
        if (spaces) {
          x += w;
        } else {
          place(w);
        }
        text.remove_prefix(end);
      }
    } else {
      double next = tabTarget(p, segments, i, x);
      if (placed && next > limit) {
        ++wraps;
        x = p.hanging;
        next = tabTarget(p, segments, i, x);
      }
      const double tabWidth = std::max(std::min(next, std::max(x, lineWidth)) - x, 0.0);
      if (wraps == 0) result.lastFirstLineTab = result.tabWidths.size();
      result.tabWidths.push_back(tabWidth);
      result.tabEnds.push_back(x + tabWidth);
      if (i == lastTab) break;
      x += tabWidth;
      placed = true;
    }
  }
  return result;
}

}  // namespace maravel
