#include "paper/line_layout.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "html/document_writer.hpp"
#include "html/paragraph_layout.hpp"
#include "paper/browser_line_rules.hpp"
#include "platform/breaks/bidi_levels.hpp"
#include "platform/fonts/font_face.hpp"

namespace maravel {

namespace {

using Segment = ParagraphLayout::Segment;

// Tabs and pictures are boxes to the line breaker, as the browser sees them.
constexpr std::string_view kObject = "\xEF\xBF\xBC";

// One segment in the paragraph's combined text.
bool clusterBefore(const fonts::ShapedGlyph& a, const fonts::ShapedGlyph& b) { return a.cluster < b.cluster; }

// What FontFace::advancesBefore gives for `text`, from its shaped glyphs.
std::vector<double> advancesBefore(std::string_view text, const std::vector<fonts::ShapedGlyph>& glyphs) {
  std::vector<double> before(text.size() + 1, 0.0);
  for (const fonts::ShapedGlyph& glyph : glyphs)
    if (glyph.cluster < text.size()) before[glyph.cluster + 1] += glyph.advance;
  for (std::size_t i = 1; i < before.size(); ++i) before[i] += before[i - 1];
  return before;
}

struct Piece {
  const Segment* segment = nullptr;
  std::size_t start = 0;  // offset in the combined text
  std::size_t length = 0;
  std::vector<double> prefix;  // text: the advance before each byte offset
  // text: its glyphs as shaped, when their clusters ascend (else none: the
  // painter shapes each line's part itself)
  std::vector<fonts::ShapedGlyph> glyphs;
  double width = 0;            // the whole piece
  double size = 0;             // display size of text
  fonts::FaceMetrics metrics;  // text
  std::string family;          // text: the installed family, found once for all its lines
  std::size_t tab = 0;         // the tab's number among the paragraph's tabs
};

// The piece's glyphs of its bytes [from, to), clusters counted from
// `from`; none when the piece kept none.
std::vector<fonts::ShapedGlyph> glyphsOf(const Piece& piece, std::size_t from, std::size_t to) {
  const auto before = [](const fonts::ShapedGlyph& glyph, std::size_t at) { return glyph.cluster < at; };
  const auto first = std::lower_bound(piece.glyphs.begin(), piece.glyphs.end(), from, before);
  const auto last = std::lower_bound(first, piece.glyphs.end(), to, before);
  std::vector<fonts::ShapedGlyph> glyphs(first, last);
  for (fonts::ShapedGlyph& glyph : glyphs) glyph.cluster -= static_cast<std::uint32_t>(from);
  return glyphs;
}

struct LineRange {
  std::size_t begin = 0;
  std::size_t end = 0;         // the next line starts here
  std::size_t visibleEnd = 0;  // end less the spaces that hang at the end
  double startX = 0;           // the pen's start from the indent edge
  bool last = false;
};

// The inline box's extent above and below the baseline.
struct Extent {
  double above = 0;
  double below = 0;
  void include(double a, double b) {
    above = std::max(above, a);
    below = std::max(below, b);
  }
};

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The code point of one whole UTF-8 character; U+FFFD for a malformed one.
char32_t firstCodePoint(std::string_view character) {
  const auto byte = [&](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(character[i]));
  };
  if (character.size() == 1) return byte(0) < 0x80 ? byte(0) : 0xFFFD;
  char32_t code = byte(0) & (0xFF >> (character.size() + 1));
  for (std::size_t i = 1; i < character.size(); ++i) code = (code << 6) | (byte(i) & 0x3F);
  return code;
}

class ParagraphFlow {
 public:
  ParagraphFlow(FontBook& fonts, const ParagraphItem& p, double width,
                std::optional<std::uint32_t> regionColor, std::size_t maxBytes)
      : fonts_(fonts),
        p_(p),
        regionColor_(regionColor),
        lineWidth_(std::max(width - p.leftIndent - p.rightIndent, 1.0)),
        baseSize_(ParagraphLayout::baseRun(p).fontSize) {
    segments_ = ParagraphLayout::segments(p, maxBytes, textCut_);
    tabs_ = ParagraphLayout(fonts).layout(p, segments_, width);
    lineHeightFactor_ = p.lineSpacing > 0 ? (p.lineSpacing + 1) * 1.15 : 0;
    measure();
  }

  const std::string& text() const { return text_; }

  PaperParagraph layout(std::vector<std::size_t> opportunities, std::size_t maxLines) {
    // Nothing breaks inside the first line's run up to its last tab when
    // that run is kept out of justification.
    opportunities.erase(std::remove_if(opportunities.begin(), opportunities.end(),
                                       [&](std::size_t at) { return at < keptEnd_; }),
                        opportunities.end());
    opportunities.push_back(text_.size());
    PaperParagraph paragraph;
    paragraph.spaceAbove = std::max(p_.spaceAbove, 0.0);
    paragraph.spaceBelow = std::max(p_.spaceBelow, 0.0);
    const std::vector<LineRange> ranges = breakLines(opportunities);
    paragraph.lines.reserve(std::min(ranges.size(), std::max<std::size_t>(maxLines, 1)));
    for (const LineRange& line : ranges) {
      if (paragraph.lines.size() >= std::max<std::size_t>(maxLines, 1)) break;
      paragraph.lines.push_back(lineBox(line));
    }
    paragraph.cut = textCut_ || paragraph.lines.size() < ranges.size();
    if (paragraph.lines.empty()) paragraph.lines.push_back(lineBox({}));
    if (p_.listMarker) addMarker(paragraph.lines.front());
    return paragraph;
  }

 private:
  void measure() {
    std::size_t tabNumber = 0;
    std::size_t bytes = 0;
    for (const Segment& segment : segments_)
      bytes += segment.kind == Segment::Kind::text ? segment.text.size() : kObject.size();
    text_.reserve(bytes);
    pieces_.reserve(segments_.size());
    for (const Segment& segment : segments_) {
      Piece piece;
      piece.segment = &segment;
      piece.start = text_.size();
      switch (segment.kind) {
        case Segment::Kind::text: {
          piece.size = ParagraphLayout::displaySize(*segment.run);
          const fonts::FontFace& face = fonts_.font(*segment.run, piece.size);
          piece.glyphs = face.shape(segment.text);
          piece.prefix = advancesBefore(segment.text, piece.glyphs);
          if (!std::is_sorted(piece.glyphs.begin(), piece.glyphs.end(), clusterBefore)) piece.glyphs.clear();
          piece.width = piece.prefix.back();
          piece.metrics = face.metrics();
          piece.family = fonts_.family(segment.run->fontFamily);
          text_ += segment.text;
          break;
        }
        case Segment::Kind::tab:
          piece.tab = tabNumber;
          piece.width = tabNumber < tabs_.tabWidths.size() ? tabs_.tabWidths[tabNumber] : 0;
          if (tabs_.lastFirstLineTab && *tabs_.lastFirstLineTab == tabNumber &&
              p_.alignment == TextAlignment::justify)
            keptEnd_ = piece.start + kObject.size();
          ++tabNumber;
          text_ += kObject;
          break;
        case Segment::Kind::image:
          // The picture is at most as wide as the paragraph's content box.
          piece.width =
              std::min(segment.run->image->width, std::max(lineWidth_ - std::max(p_.hanging, 0.0), 1.0));
          text_ += kObject;
          break;
      }
      piece.length = text_.size() - piece.start;
      pieces_.push_back(std::move(piece));
    }
    levels_ = breaks::BidiLevels::of(text_);
    if (levels_) shapeByLevel();
    wholePixels_.reserve(pieces_.size() + 1);
    wholePixels_.push_back(0);
    for (std::size_t i = 0; i < pieces_.size(); ++i)
      wholePixels_.push_back(wholePixels_.back() +
                             piecePixels(i, pieces_[i].start, pieces_[i].start + pieces_[i].length));
  }

  // The stretches of [from, to) of the combined text whose bidirectional
  // level is one, with that level.
  template <typename Visit>
  void visitLevelRuns(std::size_t from, std::size_t to, Visit&& visit) const {
    const std::vector<std::uint8_t>& levels = *levels_;
    for (std::size_t start = from; start < to;) {
      std::size_t end = start + 1;
      while (end < to && levels[end] == levels[start]) ++end;
      visit(start, end, levels[start]);
      start = end;
    }
  }

  static fonts::TextDirection directionOf(std::uint8_t level) {
    return level % 2 == 1 ? fonts::TextDirection::rightToLeft : fonts::TextDirection::leftToRight;
  }

  // Text with levels other than 0 is shaped again a level's stretch at a
  // time in the level's direction, as the browser shapes it (right to left
  // Arabic joins), for widths and glyphs.
  void shapeByLevel() {
    for (Piece& piece : pieces_) {
      if (piece.segment->kind != Segment::Kind::text) continue;
      const auto begin = levels_->begin() + static_cast<std::ptrdiff_t>(piece.start);
      if (std::all_of(begin, begin + static_cast<std::ptrdiff_t>(piece.length),
                      [](std::uint8_t level) { return level == 0; }))
        continue;
      const fonts::FontFace& face = fonts_.font(*piece.segment->run, piece.size);
      std::vector<fonts::ShapedGlyph>().swap(piece.glyphs);  // the painter shapes each line's part
      std::vector<fonts::ShapedGlyph> glyphs;
      glyphs.reserve(piece.length);
      visitLevelRuns(
          piece.start, piece.start + piece.length, [&](std::size_t from, std::size_t to, std::uint8_t level) {
            const std::size_t offset = from - piece.start;
            const std::string_view text = std::string_view(piece.segment->text).substr(offset, to - from);
            std::vector<fonts::ShapedGlyph> shaped = face.shapeInDirection(text, directionOf(level));
            if (level % 2 == 1) measureFallbacks(piece, text, shaped);
            for (fonts::ShapedGlyph glyph : shaped) {
              glyph.cluster += static_cast<std::uint32_t>(offset);
              glyphs.push_back(glyph);
            }
          });
      piece.prefix = advancesBefore(piece.segment->text, glyphs);
      piece.width = piece.prefix.back();
    }
  }

  // Right to left, the characters the face lacks that follow one another
  // and one fallback face has are measured shaped together in that face, as
  // the painter draws them (Arabic letters join, and narrow), instead of at
  // the face's missing glyph.
  void measureFallbacks(const Piece& piece, std::string_view text, std::vector<fonts::ShapedGlyph>& glyphs) {
    std::vector<std::uint32_t> missing;  // the clusters drawn by the missing glyph, ascending
    for (const fonts::ShapedGlyph& glyph : glyphs)
      if (glyph.glyph == 0) missing.push_back(glyph.cluster);
    if (missing.empty()) return;
    std::sort(missing.begin(), missing.end());
    missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
    std::erase_if(glyphs, [](const fonts::ShapedGlyph& glyph) { return glyph.glyph == 0; });
    const auto characterAt = [&](std::uint32_t at) {
      std::size_t end = at + 1;
      while (end < text.size() && isContinuationByte(text[end])) ++end;
      return text.substr(at, end - at);
    };
    const auto faceFor = [&](std::uint32_t at) -> const fonts::FontFace& {
      return fonts_.fallbackFont(firstCodePoint(characterAt(at)), *piece.segment->run, piece.size);
    };
    for (std::size_t first = 0; first < missing.size();) {
      const fonts::FontFace& fallback = faceFor(missing[first]);
      std::size_t last = first;
      while (last + 1 < missing.size() &&
             missing[last] + characterAt(missing[last]).size() == missing[last + 1] &&
             sameFile(faceFor(missing[last + 1]), fallback))
        ++last;
      const std::uint32_t start = missing[first];
      const std::size_t end = missing[last] + characterAt(missing[last]).size();
      for (fonts::ShapedGlyph glyph :
           fallback.shapeInDirection(text.substr(start, end - start), fonts::TextDirection::rightToLeft)) {
        glyph.cluster += start;
        glyphs.push_back(glyph);
      }
      first = last + 1;
    }
  }

  static bool sameFile(const fonts::FontFace& a, const fonts::FontFace& b) {
    const std::optional<fonts::FaceFile> fileA = a.file(), fileB = b.file();
    return fileA && fileB && fileA->path == fileB->path && fileA->index == fileB->index;
  }

  // Moves the line's texts, pictures and tabs, laid out from left to right
  // in logical order from `left`, into the order the bidirectional
  // algorithm shows them in.
  void reorder(double left) {
    struct Item {
      std::size_t start;
      double width;
      double* x;
    };
    std::vector<Item> items;
    for (auto& [text, piece] : lineTexts_) items.push_back({textStarts_[items.size()], text.width, &text.x});
    for (auto& [picture, start] : linePictures_)
      items.push_back({static_cast<std::size_t>(start), picture.width, &picture.x});
    for (auto& [x, piece] : lineTabs_) items.push_back({piece->start, piece->width, &x});
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.start < b.start; });
    std::vector<std::uint8_t> levels;
    levels.reserve(items.size());
    for (const Item& item : items) levels.push_back((*levels_)[item.start]);
    double x = left;
    for (const std::size_t index : breaks::BidiLevels::visualOrder(levels)) {
      *items[index].x = x;
      x += items[index].width;
    }
  }

  // The first piece that ends after `offset`.
  std::size_t pieceAt(std::size_t offset) const {
    return static_cast<std::size_t>(
        std::upper_bound(pieces_.begin(), pieces_.end(), offset,
                         [](std::size_t at, const Piece& piece) { return at < piece.start + piece.length; }) -
        pieces_.begin());
  }

  double rangeWidth(std::size_t begin, std::size_t end) const {
    double width = 0;
    for (std::size_t i = pieceAt(begin); i < pieces_.size() && pieces_[i].start < end; ++i) {
      const Piece& piece = pieces_[i];
      if (piece.segment->kind != Segment::Kind::text) {
        width += piece.width;
        continue;
      }
      const std::size_t from = std::max(begin, piece.start) - piece.start;
      const std::size_t to = std::min(end, piece.start + piece.length) - piece.start;
      width += piece.prefix[to] - piece.prefix[from];
    }
    return width;
  }

  std::size_t withoutTrailingSpaces(std::size_t begin, std::size_t end) const {
    while (end > begin && text_[end - 1] == ' ') --end;
    return end;
  }

  // The browser's width of piece `i` from `from` to `to` (offsets in the
  // combined text), in pixels.
  double piecePixels(std::size_t i, std::size_t from, std::size_t to) const {
    const Piece& piece = pieces_[i];
    if (piece.segment->kind != Segment::Kind::text) return BrowserLineRules::pixels(piece.width);
    return BrowserLineRules::textPixels(piece.prefix[to - piece.start] - piece.prefix[from - piece.start],
                                        piece.size);
  }

  // How wide the browser finds a line from its start to an offset: the
  // pixels of its start, of its first and last pieces' parts, and of the
  // whole pieces between them from the sums kept for the paragraph, so that
  // asking costs the same however far the offset lies. Every term is a
  // whole number of 1/64 pixels, so the sums are exact and equal to adding
  // the pieces one by one.
  class LinePixels {
   public:
    LinePixels(const ParagraphFlow& flow, std::size_t begin, double startX)
        : flow_(&flow),
          begin_(begin),
          piece_(flow.pieceAt(begin)),
          start_(BrowserLineRules::pixels(startX)) {}

    double upTo(std::size_t end) const {
      const std::vector<Piece>& pieces = flow_->pieces_;
      if (piece_ >= pieces.size() || end <= begin_) return start_;
      const Piece& first = pieces[piece_];
      const std::size_t firstEnd = first.start + first.length;
      if (end <= firstEnd) return start_ + flow_->piecePixels(piece_, begin_, end);
      const std::size_t last = flow_->pieceAt(end);
      double used = start_ + flow_->piecePixels(piece_, begin_, firstEnd) +
                    (flow_->wholePixels_[last] - flow_->wholePixels_[piece_ + 1]);
      if (last < pieces.size() && pieces[last].start < end)
        used += flow_->piecePixels(last, pieces[last].start, end);
      return used;
    }

   private:
    const ParagraphFlow* flow_;
    std::size_t begin_;
    std::size_t piece_;
    double start_;
  };

  // The longest start of the line from `begin` to before `end` that fits,
  // at least one character: a word wider than the line breaks anywhere.
  std::size_t fittingPrefix(std::size_t begin, std::size_t end, double startX, double available) const {
    const LinePixels used(*this, begin, startX);
    std::size_t at = begin + 1;
    while (at < end && isContinuationByte(text_[at])) ++at;
    std::size_t best = at;
    // The line's end without its trailing spaces, carried along.
    std::size_t visible = withoutTrailingSpaces(begin, at);
    while (at < end) {
      std::size_t next = at + 1;
      while (next < end && isContinuationByte(text_[next])) ++next;
      if (text_[next - 1] != ' ') visible = next;
      if (!BrowserLineRules::fits(used.upTo(visible), available)) break;
      best = next;
      at = next;
    }
    return best;
  }

  // Lines filled as the browser fills them: a stretch up to the next break
  // opportunity stays on the line when the browser finds it fits without
  // its trailing spaces, which hang.
  std::vector<LineRange> breakLines(const std::vector<std::size_t>& opportunities) const {
    std::vector<LineRange> lines;
    if (text_.empty()) return lines;
    const double available = BrowserLineRules::pixels(lineWidth_);
    LineRange line{0, 0, 0, p_.firstLineIndent, false};
    LinePixels used(*this, 0, line.startX);
    auto endLine = [&](std::size_t at) {
      line.end = at;
      line.visibleEnd = withoutTrailingSpaces(line.begin, at);
      lines.push_back(line);
      line = {at, at, at, p_.hanging, false};
      used = LinePixels(*this, at, line.startX);
    };
    std::size_t at = 0;
    std::size_t next = 0;  // index into opportunities
    std::size_t chunkEnd = 0;
    std::size_t chunkVisibleEnd = 0;  // the chunk's end less its trailing spaces, found once a chunk
    while (at < text_.size()) {
      while (opportunities[next] <= at) ++next;
      if (chunkEnd != opportunities[next]) {
        chunkEnd = opportunities[next];
        chunkVisibleEnd = withoutTrailingSpaces(at, chunkEnd);
      }
      if (BrowserLineRules::fits(used.upTo(std::max(at, chunkVisibleEnd)), available)) {
        at = chunkEnd;
        continue;
      }
      if (at > line.begin) {
        endLine(at);
        continue;
      }
      const std::size_t split = fittingPrefix(at, chunkEnd, line.startX, available);
      endLine(split);
      at = split;
    }
    line.end = text_.size();
    line.visibleEnd = withoutTrailingSpaces(line.begin, line.end);
    line.last = true;
    if (line.begin < line.end || lines.empty()) lines.push_back(line);
    lines.back().last = true;
    return lines;
  }

  // Ascent and descent of an inline box in the face, with half the leading
  // of its line height on either side.
  Extent boxExtent(const fonts::FaceMetrics& metrics, double size, double shift) const {
    const double content = metrics.ascent + metrics.descent;
    const double lineHeight = lineHeightFactor_ > 0 ? lineHeightFactor_ * size : content + metrics.lineGap;
    const double halfLeading = (lineHeight - content) / 2;
    return {metrics.ascent + halfLeading + shift, metrics.descent + halfLeading - shift};
  }

  // The baseline raise of sub- and superscript, from the paragraph's size.
  double baselineShift(const TextRun& run) const {
    const double parent = baseSize_;
    if (run.isSubscript) return -(parent / 5 + 0.6);
    if (run.isSuperscript) return parent / 3 + 0.6;
    return 0;
  }

  Extent strut() const {
    const TextRun& base = ParagraphLayout::baseRun(p_);
    TextRun plain;
    plain.fontFamily = base.fontFamily;
    plain.fontSize = base.fontSize;
    return boxExtent(fonts_.font(plain, base.fontSize).metrics(), base.fontSize, 0);
  }

  std::size_t expandableSpaces(std::size_t begin, std::size_t end) const {
    std::size_t count = 0;
    for (std::size_t i = std::max(begin, keptEnd_); i < end; ++i) count += text_[i] == ' ';
    return count;
  }

  // Where the line's content starts past its start, and what every space
  // adds, from the paragraph's alignment. On the paragraph's last line the
  // trailing spaces count as far as they fit; the browser hangs only the
  // spaces of a wrapped line.
  std::pair<double, double> alignment(const LineRange& line) const {
    const double room =
        lineWidth_ - line.startX - rangeWidth(line.begin, line.last ? line.end : line.visibleEnd);
    if (room <= 0) return {0, 0};
    switch (p_.alignment) {
      case TextAlignment::right:
        return {room, 0};
      case TextAlignment::center:
        return {room / 2, 0};
      case TextAlignment::justify: {
        if (line.last) return {0, 0};
        const std::size_t spaces = expandableSpaces(line.begin, line.visibleEnd);
        return {0, spaces == 0 ? 0 : room / static_cast<double>(spaces)};
      }
      case TextAlignment::left:
        break;
    }
    return {0, 0};
  }

  // The text of the piece's bytes [from, to) of the combined text, at the
  // line's pen, its box taken into the line's extent.
  PaperText textOf(const Piece& piece, std::size_t from, std::size_t to, double spaceExtra,
                   Extent& extent) const {
    const TextRun& run = *piece.segment->run;
    PaperText text;
    text.text = piece.segment->text.substr(from - piece.start, to - from);
    text.family = piece.family;
    text.size = piece.size;
    text.bold = run.bold;
    text.italic = run.italic;
    text.color = textColor(run, regionColor_);
    text.spaceExtra = spaceExtra;
    text.width = piece.prefix[to - piece.start] - piece.prefix[from - piece.start] +
                 spaceExtra * static_cast<double>(expandableSpaces(from, to));
    text.glyphs = glyphsOf(piece, from - piece.start, to - piece.start);
    const double shift = baselineShift(run);
    text.baseline = -shift;
    const Extent box = boxExtent(piece.metrics, piece.size, shift);
    extent.include(box.above, box.below);
    return text;
  }

  PaperLine lineBox(const LineRange& line) {
    const auto [offset, extra] = alignment(line);
    // The same for every line of the paragraph.
    if (!strut_) strut_ = strut();
    Extent extent = *strut_;
    PaperMarks marks;
    const double left = p_.leftIndent + line.startX + offset;
    double x = left;
    // Kept from line to line: a line's texts, pictures and tabs wait here
    // until its baseline is known.
    auto& texts = lineTexts_;
    auto& pictures = linePictures_;
    auto& tabs = lineTabs_;
    texts.clear();
    pictures.clear();
    tabs.clear();
    textStarts_.clear();
    for (std::size_t i = pieceAt(line.begin); i < pieces_.size() && pieces_[i].start < line.end; ++i) {
      const Piece& piece = pieces_[i];
      const TextRun& run = *piece.segment->run;
      if (piece.segment->kind == Segment::Kind::tab) {
        tabs.emplace_back(x, &piece);
        x += piece.width;
        continue;
      }
      if (piece.segment->kind == Segment::Kind::image) {
        const InlineImage& image = *run.image;
        pictures.push_back({{x, 0, piece.width, image.height, &image}, static_cast<double>(piece.start)});
        extent.include(image.height, 0);
        x += piece.width;
        continue;
      }
      const std::size_t from = std::max(line.begin, piece.start);
      const std::size_t to = std::min(line.visibleEnd, piece.start + piece.length);
      if (to <= from) continue;
      const double spaceExtra = from >= keptEnd_ ? extra : 0;
      if (levels_) {
        visitLevelRuns(from, to, [&](std::size_t a, std::size_t b, std::uint8_t level) {
          PaperText text = textOf(piece, a, b, spaceExtra, extent);
          text.x = x;
          text.direction = directionOf(level);
          x += text.width;
          textStarts_.push_back(a);
          texts.emplace_back(std::move(text), &piece);
        });
        continue;
      }
      PaperText text = textOf(piece, from, to, spaceExtra, extent);
      text.x = x;
      x += text.width;
      texts.emplace_back(std::move(text), &piece);
    }

    if (levels_) reorder(left);
    const double baseline = extent.above;
    marks.texts.reserve(texts.size());
    for (auto& [text, piece] : texts) {
      text.baseline += baseline;
      decorate(marks, text, *piece->segment->run, piece->metrics);
      marks.texts.push_back(std::move(text));
    }
    for (auto& [picture, unused] : pictures) {
      picture.y = baseline - picture.height;
      marks.pictures.push_back(picture);
    }
    for (const auto& [tabX, piece] : tabs) underlineTab(marks, tabX, baseline, *piece);
    return {extent.above + extent.below, std::move(marks)};
  }

  void decorate(PaperMarks& marks, const PaperText& text, const TextRun& run,
                const fonts::FaceMetrics& metrics) {
    if (run.background && smallestComponent(*run.background) < 241) {
      marks.boxes.push_back({text.x, text.baseline - metrics.ascent, text.width,
                             metrics.ascent + metrics.descent, *run.background});
    }
    const double thickness = std::max(metrics.underlineThickness, 0.5);
    if (run.underline) {
      const double y = text.baseline + metrics.underlineOffset + thickness / 2;
      marks.rules.push_back({text.x, y, text.x + text.width, y, thickness, text.color});
    }
    if (run.strikethrough) {
      const double y =
          text.baseline + metrics.strikeoutOffset + std::max(metrics.strikeoutThickness, 0.5) / 2;
      marks.rules.push_back(
          {text.x, y, text.x + text.width, y, std::max(metrics.strikeoutThickness, 0.5), text.color});
    }
  }

  // An underlined tab draws a line across its whole width, just below the
  // baseline, in the paragraph's colour.
  void underlineTab(PaperMarks& marks, double x, double baseline, const Piece& piece) const {
    const TextRun& run = *piece.segment->run;
    if (!run.underline || !(piece.width > 0)) return;
    const double size = ParagraphLayout::displaySize(run);
    const double width = std::max(size * 0.05, 0.5);
    const double y = baseline + size * 0.11 - width / 2;
    marks.rules.push_back({x, y, x + piece.width, y, width,
                           regionColor_ && smallestComponent(*regionColor_) < 241 ? *regionColor_ : 0});
  }

  void addMarker(PaperLine& first) {
    const TextRun run = ParagraphLayout::markerRun(p_);
    const double markerWidth = ParagraphLayout(fonts_).markerWidth(*p_.listMarker, run);
    const fonts::FaceMetrics metrics = fonts_.font(run, run.fontSize).metrics();
    PaperText marker;
    marker.x = p_.leftIndent + p_.firstLineIndent - markerWidth;
    marker.baseline = boxExtent(metrics, run.fontSize, 0).above;
    marker.text = *p_.listMarker;
    marker.family = fonts_.family(run.fontFamily);
    marker.size = run.fontSize;
    marker.bold = run.bold;
    marker.italic = run.italic;
    marker.color = textColor(run, regionColor_);
    marker.width = fonts_.width(marker.text, run, run.fontSize);
    first.marks.texts.push_back(std::move(marker));
  }

  FontBook& fonts_;
  const ParagraphItem& p_;
  std::optional<std::uint32_t> regionColor_;
  double lineWidth_;
  double baseSize_;  // the smallest run's size, which sub- and superscripts are raised by
  double lineHeightFactor_ = 0;
  std::vector<Segment> segments_;
  ParagraphLayout::Result tabs_;
  std::vector<Piece> pieces_;
  // The browser's pixels of the whole pieces before each piece.
  std::vector<double> wholePixels_;
  std::string text_;
  std::size_t keptEnd_ = 0;
  bool textCut_ = false;
  std::optional<Extent> strut_;
  std::vector<std::pair<PaperText, const Piece*>> lineTexts_;
  std::vector<std::pair<PaperPicture, double>> linePictures_;
  std::vector<std::pair<double, const Piece*>> lineTabs_;
  // The bidirectional level of each byte of text_, when one is not 0.
  std::optional<std::vector<std::uint8_t>> levels_;
  std::vector<std::size_t> textStarts_;  // where each of lineTexts_ starts in text_
};

}  // namespace

std::uint32_t textColor(const TextRun& run, std::optional<std::uint32_t> regionColor) {
  if (run.foreground && largestComponent(*run.foreground) >= 80) return *run.foreground;
  if (regionColor && smallestComponent(*regionColor) < 241) return *regionColor;
  return run.foreground.value_or(0);
}

PaperParagraph LineLayout::layout(const ParagraphItem& p, double width,
                                  std::optional<std::uint32_t> regionColor, std::size_t maxLines,
                                  std::size_t maxBytes) {
  ParagraphFlow flow(fonts_, p, width, regionColor, maxBytes);
  const std::string& text = flow.text();
  return flow.layout(BrowserLineRules::opportunities(text, [&] { return breaks_.opportunities(text); }),
                     maxLines);
}

}  // namespace maravel
