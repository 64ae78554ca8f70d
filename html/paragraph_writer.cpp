// One paragraph as one `p` element. The browser knows no tab stops, so the
// writer replays the browser's line filling in points with measured widths,
// resolves every tab to the stop it reaches and writes it as an empty inline
// box of the computed width.

#include <algorithm>
#include <cmath>

#include "html/document_writer.hpp"
#include "html/html_escape.hpp"

namespace maravel {

namespace {

using Segment = DocumentWriter::Segment;

constexpr double kTolerance = 0.01;
constexpr double kDefaultTabInterval = 72;
constexpr double kTabPastLastStop = 5;

enum StopAlignment : std::int64_t { kRight = 1, kCenter = 2, kDecimal = 4 };

// Tabs stay; line breaks and every other C0 control character go.
std::string cleanRunText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 && byte != '\t') continue;
    if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x85) {
      ++i;  // next line, U+0085
      continue;
    }
    if (byte == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
        (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
         static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
      i += 2;  // line and paragraph separators, U+2028 and U+2029
      continue;
    }
    out += text[i];
  }
  return out;
}

std::vector<Segment> makeSegments(const ParagraphItem& p) {
  std::vector<Segment> segments;
  for (const TextRun& run : p.runs) {
    if (run.image) {
      segments.push_back({Segment::Kind::image, &run, {}});
      continue;
    }
    const std::string text = cleanRunText(run.text);
    std::size_t start = 0;
    while (true) {
      const std::size_t tab = text.find('\t', start);
      const std::size_t end = tab == std::string::npos ? text.size() : tab;
      if (end > start) segments.push_back({Segment::Kind::text, &run, text.substr(start, end - start)});
      if (tab == std::string::npos) break;
      segments.push_back({Segment::Kind::tab, &run, {}});
      start = tab + 1;
    }
  }
  return segments;
}

// The first run with the smallest size sets the paragraph's own font; a
// paragraph without runs takes the default run's.
const TextRun& baseRun(const ParagraphItem& p) {
  static const TextRun kDefaultRun;
  if (p.runs.empty()) return kDefaultRun;
  const TextRun* base = &p.runs.front();
  for (const TextRun& run : p.runs) {
    if (run.fontSize < base->fontSize) base = &run;
  }
  return *base;
}

const char* alignmentDeclaration(TextAlignment alignment) {
  switch (alignment) {
    case TextAlignment::center:
      return "text-align:center;";
    case TextAlignment::right:
      return "text-align:right;";
    case TextAlignment::justify:
      return "text-align:justify;";
    case TextAlignment::left:
      break;
  }
  return "text-align:left;";
}

// Pictures are written as data URIs; only the four picture types the reader
// knows are named, and only base64 characters are copied, so the attribute
// stays closed whatever the model holds.
bool isKnownMimeType(std::string_view type) {
  return type == "image/png" || type == "image/jpeg" || type == "image/gif" || type == "image/bmp";
}

std::string base64Only(std::string_view data) {
  std::string out;
  out.reserve(data.size());
  for (char c : data) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
        c == '=') {
      out += c;
    }
  }
  return out;
}

std::string imageTag(const InlineImage& image) {
  return "<img class=\"udf-img\" alt=\"\" src=\"data:" +
         std::string(isKnownMimeType(image.mimeType) ? image.mimeType : "image/png") + ";base64," +
         base64Only(image.base64) + "\" style=\"width:" + DocumentWriter::u(image.width) +
         ";height:" + DocumentWriter::u(image.height) + "\">";
}

}  // namespace

double DocumentWriter::displaySize(const TextRun& run) {
  return (run.isSubscript || run.isSuperscript) ? run.fontSize * 0.8 : run.fontSize;
}

double DocumentWriter::measure(std::string_view text, const TextRun& run) {
  if (text.size() <= measuredBytesLeft_) {
    measuredBytesLeft_ -= text.size();
    return fonts.width(text, run, displaySize(run));
  }
  measuredBytesLeft_ = 0;
  const auto characters = static_cast<double>(std::count_if(
      text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
  return characters * displaySize(run) * 0.5;
}

std::string DocumentWriter::paragraphClass(const ParagraphItem& p) {
  std::string css = alignmentDeclaration(p.alignment);
  if (p.leftIndent != 0) css += "margin-left:" + u(p.leftIndent) + ";";
  if (p.rightIndent != 0) css += "margin-right:" + u(p.rightIndent) + ";";
  if (p.hanging > 0) css += "padding-left:" + u(p.hanging) + ";";
  if (p.firstLineIndent - p.hanging != 0) css += "text-indent:" + u(p.firstLineIndent - p.hanging) + ";";
  if (p.spaceAbove > 0) css += "padding-top:" + u(p.spaceAbove) + ";";
  if (p.spaceBelow > 0) css += "padding-bottom:" + u(p.spaceBelow) + ";";
  const TextRun& base = baseRun(p);
  css += fontDeclarations(base.fontFamily, base.fontSize);
  if (p.lineSpacing > 0) css += "line-height:" + fmt((p.lineSpacing + 1) * 1.15) + ";";
  return styleClass(css, std::nullopt);
}

DocumentWriter::FollowingWidth DocumentWriter::followingWidth(const std::vector<Segment>& segments,
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

// The position the tab at `index` moves the pen to from `x`: the next
// multiple of 72 points without stops, else the first stop beyond the pen
// (aligned against the text that follows), else 5 points on.
double DocumentWriter::tabTarget(const ParagraphItem& p, const std::vector<Segment>& segments,
                                 std::size_t index, double x) {
  if (!p.tabStops) return (std::floor(x / kDefaultTabInterval) + 1) * kDefaultTabInterval;
  const TabStopList& stops = *p.tabStops;
  // Stops are sorted by position, so the first one beyond the pen is found
  // by bisection; this keeps long stop lists from costing a scan per tab.
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

std::vector<double> DocumentWriter::layoutTabs(const ParagraphItem& p, const std::vector<Segment>& segments,
                                               double width, std::optional<std::size_t>& lastFirstLineTab) {
  std::vector<double> tabWidths;
  std::size_t lastTab = segments.size();
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (segments[i].kind == Segment::Kind::tab) lastTab = i;
  }
  if (lastTab == segments.size()) return tabWidths;

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
      if (wraps == 0) lastFirstLineTab = tabWidths.size();
      tabWidths.push_back(tabWidth);
      if (i == lastTab) break;
      x += tabWidth;
      placed = true;
    }
  }
  return tabWidths;
}

std::string DocumentWriter::listMarker(const ParagraphItem& p, const std::string& marker) {
  // The marker takes the first visible run's face and colour, nothing else.
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
  const double markerWidth = std::max(measure(marker, run) + 0.5, 15.5);
  return "<span class=\"udf-mk " + runClass(run) + "\" style=\"left:" + u(p.firstLineIndent - markerWidth) +
         ";top:" + u(p.spaceAbove) + "\">" + escapeHTML(marker) + "</span>";
}

std::string DocumentWriter::paragraph(const ParagraphItem& p, double width) {
  const std::vector<Segment> segments = makeSegments(p);
  std::optional<std::size_t> lastFirstLineTab;
  const std::vector<double> tabWidths = layoutTabs(p, segments, width, lastFirstLineTab);

  std::string out = "<p class=\"udf-p " + paragraphClass(p) + "\">";
  if (p.listMarker) out += listMarker(p, *p.listMarker);
  const bool keepFirstLine = p.alignment == TextAlignment::justify && lastFirstLineTab.has_value();
  if (keepFirstLine) out += "<span class=\"udf-nj\">";
  if (segments.empty()) out += "<br>";

  std::string pending;
  std::string currentClass;
  auto flush = [&] {
    if (pending.empty()) return;
    out += "<span class=\"" + currentClass + "\">" + escapeHTML(pending) + "</span>";
    pending.clear();
  };

  std::size_t tabNumber = 0;
  for (const Segment& segment : segments) {
    switch (segment.kind) {
      case Segment::Kind::text: {
        std::string runClassName = runClass(*segment.run);
        if (runClassName != currentClass) {
          flush();
          currentClass = std::move(runClassName);
        }
        pending += segment.text;
        break;
      }
      case Segment::Kind::tab: {
        flush();
        // The layout gives every tab a width; the guard only keeps the index in range.
        const double tabWidth = tabNumber < tabWidths.size() ? tabWidths[tabNumber] : 0;
        out += "<span class=\"udf-tab\" style=\"width:" + u(tabWidth);
        if (segment.run->underline) {
          const double size = displaySize(*segment.run);
          out += ";border-bottom:max(1px," + u(size * 0.05) +
                 ") solid currentColor;vertical-align:" + u(size * -0.11);
        }
        out += "\">\t</span>";
        if (keepFirstLine && tabNumber == *lastFirstLineTab) out += "</span>";
        ++tabNumber;
        break;
      }
      case Segment::Kind::image:
        flush();
        out += imageTag(*segment.run->image);
        break;
    }
  }
  flush();
  return out + "</p>";
}

}  // namespace maravel
