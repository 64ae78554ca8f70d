// Paragraphs and runs of a part: indents, spacing, alignment, tab stops,
// character formatting, list markers and page fields.
#include <algorithm>
#include <cmath>

#include "docx/word_body.hpp"
#include "docx/word_units.hpp"
#include "html/document_writer.hpp"
#include "paper/page_numbers.hpp"

namespace maravel {

namespace {

// In centred and right-aligned paragraphs a tab is this wide, as on the page.
constexpr double kFixedTab = 10;
// Word reads no more tab stops per paragraph than this.
constexpr std::size_t kMaxTabStops = 64;
constexpr double kTolerance = ParagraphLayout::kTolerance;
constexpr double kDefaultTabInterval = 72;
// The run defaults of the copy's styles.
constexpr std::string_view kDefaultFamily = "Times New Roman";
constexpr std::int64_t kDefaultSize = 24;

bool hasFixedTabs(const ParagraphItem& p) {
  return p.alignment == TextAlignment::center || p.alignment == TextAlignment::right;
}

double finiteOr(double value, double fallback) { return std::isfinite(value) ? value : fallback; }

std::string_view stopKind(std::int64_t alignment) {
  switch (alignment) {
    case 1:
      return "right";
    case 2:
      return "center";
    case 4:
      return "decimal";
    default:
      return "left";
  }
}

// Whether Word's default stops, every 72 points from the margin, hold `x`.
bool onDefaultGrid(double x) {
  return std::fabs(x - std::round(x / kDefaultTabInterval) * kDefaultTabInterval) < kTolerance;
}

// Sorted by position, one stop per position (the first; used when any was).
std::vector<WordBody::Tab> tidy(std::vector<WordBody::Tab> tabs) {
  std::stable_sort(tabs.begin(), tabs.end(),
                   [](const auto& a, const auto& b) { return a.position < b.position; });
  std::vector<WordBody::Tab> out;
  for (const auto& tab : tabs) {
    if (!out.empty() && out.back().position == tab.position) {
      out.back().used = out.back().used || tab.used;
    } else {
      out.push_back(tab);
    }
  }
  return out;
}

// A document stop that a tab of the paragraph ends on.
struct Reached {
  std::size_t index = 0;
  bool asRight = false;  // a decimal stop with no full stop after the tab
};

// The document's stops Word is given: every one a tab reaches, then the
// others from the first on while the paragraph's kMaxTabStops and the
// copy's `budget` last.
void addDocumentStops(const TabStopList& stops, double indent, std::vector<Reached> reached,
                      std::size_t& budget, std::vector<WordBody::Tab>& out) {
  std::stable_sort(reached.begin(), reached.end(),
                   [](const auto& a, const auto& b) { return a.index < b.index; });
  std::size_t room = std::min(kMaxTabStops - std::min(reached.size(), kMaxTabStops), budget);
  budget -= room;
  std::size_t r = 0;
  for (std::size_t i = 0; i < stops.size();) {
    while (r < reached.size() && reached[r].index < i) ++r;
    const bool used = r < reached.size() && reached[r].index == i;
    if (!used && room == 0) {
      if (r == reached.size()) break;
      i = reached[r].index;  // on to the next stop a tab reaches
      continue;
    }
    if (!used) --room;
    const std::string_view kind = used && reached[r].asRight ? "right" : stopKind(stops[i].alignment);
    out.push_back({word::twips(indent + stops[i].position), kind, used});
    ++i;
  }
  budget += room;  // what this paragraph left
}

// A text stretch of a paragraph that a page field stands for.
struct FieldSpan {
  std::size_t begin = 0, end = 0;  // bytes in the paragraph's text
  std::string_view instruction;
  std::string shown;
  bool written = false;
};

std::vector<FieldSpan> pageFields(const std::vector<ParagraphLayout::Segment>& segments) {
  std::string text;
  for (const auto& segment : segments) {
    if (segment.kind == ParagraphLayout::Segment::Kind::text) text += segment.text;
    if (segment.kind == ParagraphLayout::Segment::Kind::tab) text += '\t';
  }
  std::vector<FieldSpan> spans;
  for (const PageNumbers::Line& line : PageNumbers::find(text)) {
    spans.push_back(
        {line.pageBegin, line.pageEnd, " PAGE ", text.substr(line.pageBegin, line.pageEnd - line.pageBegin)});
    if (line.total) {
      const auto [begin, end] = *line.total;
      spans.push_back({begin, end, " NUMPAGES ", text.substr(begin, end - begin)});
    }
  }
  std::sort(spans.begin(), spans.end(), [](const auto& a, const auto& b) { return a.begin < b.begin; });
  std::vector<FieldSpan> apart;  // overlapping finds keep the first
  for (auto& span : spans) {
    if (apart.empty() || span.begin >= apart.back().end) apart.push_back(std::move(span));
  }
  return apart;
}

}  // namespace

void WordBody::paragraph(const ParagraphItem& p, double width, Spacing spacing, XmlWriter& xml) {
  ParagraphLayout layout(shared_.fonts, shared_.measuredBytesLeft);
  const std::vector<Segment> segments = ParagraphLayout::segments(p);
  ParagraphLayout::Result tabs;
  if (!hasFixedTabs(p)) tabs = layout.layout(p, segments, width);
  std::optional<double> markerWidth;
  TextRun markerRun;
  if (p.listMarker) {
    markerRun = ParagraphLayout::markerRun(p);
    markerWidth = layout.markerWidth(*p.listMarker, markerRun);
  }
  xml.open("w:p");
  paragraphProperties(p, tabStops(p, segments, tabs, markerWidth), markerWidth.value_or(0), spacing, xml);
  if (p.listMarker) {
    xml.open("w:r");
    runProperties(markerRun, xml);
    xml.open("w:t").attribute("xml:space", "preserve").text(*p.listMarker).close();
    xml.empty("w:tab").close();
  }
  content(p, segments, width, xml);
  xml.close();
}

// The document's stops, measured from the margin, and the page's own targets
// where Word's rules would not find them: a tab past the last stop, a tab on
// the 72-point grid of an indented paragraph, the list marker's tab. A
// decimal stop that a tab reaches with no full stop after it becomes a right
// stop: the page ends such text on the stop, where Word and LibreOffice
// look for the decimal sign of their own locale.
std::vector<WordBody::Tab> WordBody::tabStops(const ParagraphItem& p, const std::vector<Segment>& segments,
                                              const ParagraphLayout::Result& layout,
                                              std::optional<double> markerWidth) {
  const double indent = finiteOr(p.leftIndent, 0);
  const bool ownStops = p.tabStops && !p.tabStops->empty() && !hasFixedTabs(p);
  std::vector<Reached> reached;
  std::vector<Tab> tabs;
  std::size_t segment = 0;
  for (std::size_t k = 0; k < layout.tabWidths.size() && k < layout.tabEnds.size(); ++k, ++segment) {
    while (segment < segments.size() && segments[segment].kind != Segment::Kind::tab) ++segment;
    const double end = layout.tabEnds[k];
    if (ownStops) {
      const std::size_t stop = ParagraphLayout::firstStopBeyond(*p.tabStops, end - layout.tabWidths[k]);
      if (stop < p.tabStops->size()) {
        bool asRight = false;
        if (stopKind((*p.tabStops)[stop].alignment) == "decimal") {
          const auto following =
              ParagraphLayout(shared_.fonts, shared_.measuredBytesLeft).followingWidth(segments, segment);
          asRight = following.decimal == following.full;
        }
        reached.push_back({stop, asRight});
        continue;
      }
    } else if (!p.tabStops && onDefaultGrid(indent + end)) {
      continue;
    }
    tabs.push_back({word::twips(indent + end), "left", true});
  }
  if (markerWidth) tabs.push_back({word::twips(indent + finiteOr(p.firstLineIndent, 0)), "left", true});
  if (ownStops) addDocumentStops(*p.tabStops, indent, std::move(reached), shared_.stopsLeft, tabs);
  return tidy(std::move(tabs));
}

void WordBody::paragraphProperties(const ParagraphItem& p, const std::vector<Tab>& tabs, double markerWidth,
                                   Spacing spacing, XmlWriter& xml) {
  xml.open("w:pPr");
  if (!tabs.empty()) {
    xml.open("w:tabs");
    for (const Tab& tab : tabs)
      xml.open("w:tab").attribute("w:val", tab.kind).attribute("w:pos", tab.position).close();
    xml.close();
  }
  // What the document's defaults (Times New Roman 12, no spacing, no
  // indents, left-aligned) already say is left out.
  const std::int64_t before = word::twips(spacing.before, 0), after = word::twips(spacing.after, 0);
  if (before != 0 || after != 0 || p.lineSpacing > 0) {
    xml.open("w:spacing").attribute("w:before", before).attribute("w:after", after);
    // The page's line height is (lineSpacing + 1) x 1.15 the font size, and
    // 1.15 is the single line height of the document fonts.
    if (p.lineSpacing > 0) {
      xml.attribute("w:line", std::llround(240 * std::min(p.lineSpacing + 1, 132.0)));
      xml.attribute("w:lineRule", "auto");
    }
    xml.close();
  }
  const double hanging = finiteOr(std::max(p.hanging, 0.0), 0);
  const std::int64_t left = word::twips(finiteOr(p.leftIndent, 0) + hanging);
  const std::int64_t right = word::twips(finiteOr(p.rightIndent, 0));
  const std::int64_t first = word::twips(finiteOr(p.firstLineIndent, 0) - hanging - markerWidth);
  if (left != 0 || right != 0 || first != 0) {
    xml.open("w:ind").attribute("w:left", left).attribute("w:right", right);
    if (first > 0) xml.attribute("w:firstLine", first);
    if (first < 0) xml.attribute("w:hanging", -first);
    xml.close();
  }
  if (p.alignment != TextAlignment::left) xml.empty("w:jc", "w:val", justification(p.alignment));
  // The paragraph mark's face sets the line height of an empty paragraph.
  TextRun mark;
  mark.fontFamily = ParagraphLayout::baseRun(p).fontFamily;
  mark.fontSize = ParagraphLayout::baseRun(p).fontSize;
  runProperties(mark, xml);
  xml.close();
}

void WordBody::content(const ParagraphItem& p, const std::vector<Segment>& segments, double width,
                       XmlWriter& xml) {
  std::vector<FieldSpan> fields = fieldsHere_ ? pageFields(segments) : std::vector<FieldSpan>();
  const double lineWidth = std::max(finiteOr(width - p.leftIndent - p.rightIndent, width), 1.0);
  const double pictureWidth = std::max(lineWidth - finiteOr(std::max(p.hanging, 0.0), 0), 1.0);
  const TextRun* open = nullptr;  // the run whose w:r is open
  auto closeRun = [&] {
    if (open) xml.close();
    open = nullptr;
  };
  auto openRun = [&](const TextRun& run) {
    if (open == &run) return;
    closeRun();
    xml.open("w:r");
    runProperties(run, xml);
    open = &run;
  };
  std::size_t offset = 0, next = 0;
  for (const Segment& segment : segments) {
    if (segment.kind == Segment::Kind::image) {
      closeRun();
      picture(*segment.run->image, pictureWidth, xml);
    } else if (segment.kind == Segment::Kind::tab && hasFixedTabs(p)) {
      // A space widened to the tab's 10 points: Word's tabs in centred lines
      // go elsewhere.
      closeRun();
      const double space =
          ParagraphLayout(shared_.fonts, shared_.measuredBytesLeft).measure(" ", *segment.run);
      xml.open("w:r");
      runProperties(*segment.run, xml, kFixedTab - space);
      xml.open("w:t").attribute("xml:space", "preserve").text(" ").close().close();
      ++offset;
    } else if (segment.kind == Segment::Kind::tab) {
      openRun(*segment.run);
      xml.empty("w:tab");
      ++offset;
    } else {
      const std::string& text = segment.text;
      for (std::size_t at = 0; at < text.size();) {
        while (next < fields.size() && fields[next].end <= offset + at) ++next;
        if (next < fields.size() && fields[next].begin <= offset + at) {
          FieldSpan& span = fields[next];
          if (!span.written) {
            closeRun();
            field(*segment.run, span.instruction, span.shown, xml);
            span.written = true;
          }
          at = std::min(text.size(), span.end - offset);
          continue;
        }
        const std::size_t stop =
            next < fields.size() ? std::min(text.size(), fields[next].begin - offset) : text.size();
        openRun(*segment.run);
        xml.open("w:t")
            .attribute("xml:space", "preserve")
            .text(std::string_view(text).substr(at, stop - at))
            .close();
        at = stop;
      }
      offset += text.size();
    }
  }
  closeRun();
}

void WordBody::runProperties(const TextRun& run, XmlWriter& xml, std::optional<double> spacing) {
  if (run.fontFamily != lastFamilyText_ || lastFamily_.empty()) {
    lastFamilyText_ = run.fontFamily;
    lastFamily_ = FontBook::documentFamily(run.fontFamily);
  }
  xml.open("w:rPr");
  if (lastFamily_ != kDefaultFamily) {
    xml.open("w:rFonts");
    for (const char* script : {"w:ascii", "w:hAnsi", "w:eastAsia", "w:cs"})
      xml.attribute(script, lastFamily_);
    xml.close();
  }
  if (run.bold) xml.empty("w:b").empty("w:bCs");
  if (run.italic) xml.empty("w:i").empty("w:iCs");
  if (run.strikethrough) xml.empty("w:strike");
  if (const auto color = run.foreground ? run.foreground : region_.color)
    xml.empty("w:color", "w:val", hexColor(*color).substr(1));
  if (spacing) xml.empty("w:spacing", "w:val", word::twips(*spacing));
  if (const std::int64_t size = word::halfPoints(run.fontSize); size != kDefaultSize)
    xml.empty("w:sz", "w:val", size).empty("w:szCs", "w:val", size);
  if (run.underline) xml.empty("w:u", "w:val", "single");
  if (run.background) {
    xml.open("w:shd").attribute("w:val", "clear").attribute("w:color", "auto");
    xml.attribute("w:fill", hexColor(*run.background).substr(1)).close();
  }
  if (run.isSubscript || run.isSuperscript)
    xml.empty("w:vertAlign", "w:val", run.isSubscript ? "subscript" : "superscript");
  xml.close();
}

}  // namespace maravel
