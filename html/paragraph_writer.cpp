// One paragraph as one `p` element. The browser knows no tab stops, so the
// writer replays the browser's line filling in points with measured widths,
// resolves every tab to the stop it reaches and writes it as an empty inline
// box of the computed width.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

#include "html/document_writer.hpp"
#include "html/html_escape.hpp"
#include "html/paragraph_layout.hpp"

namespace maravel {

namespace {

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

DocumentWriter::ParagraphFormat DocumentWriter::paragraphFormat(const ParagraphItem& p) {
  const TextRun& base = ParagraphLayout::baseRun(p);
  const auto bits = [](double value) { return std::bit_cast<std::uint64_t>(value); };
  return {p.alignment,
          {bits(p.leftIndent), bits(p.rightIndent), bits(p.hanging), bits(p.firstLineIndent),
           bits(p.spaceAbove), bits(p.spaceBelow), bits(p.lineSpacing), bits(base.fontSize)},
          base.fontFamily};
}

std::string DocumentWriter::paragraphClass(const ParagraphItem& p) {
  ParagraphFormat format = paragraphFormat(p);
  for (const auto& [recent, name] : recentParagraphClasses_) {
    if (recent == format) return name;
  }
  std::string name = newParagraphClass(p);
  if (recentParagraphClasses_.size() < kRecentRunClasses) {
    recentParagraphClasses_.emplace_back(std::move(format), name);
  } else {
    recentParagraphClasses_[nextRecentParagraphClass_] = {std::move(format), name};
    nextRecentParagraphClass_ = (nextRecentParagraphClass_ + 1) % kRecentRunClasses;
  }
  return name;
}

std::string DocumentWriter::newParagraphClass(const ParagraphItem& p) {
  std::string css = alignmentDeclaration(p.alignment);
  if (p.leftIndent != 0) css += "margin-left:" + u(p.leftIndent) + ";";
  if (p.rightIndent != 0) css += "margin-right:" + u(p.rightIndent) + ";";
  if (p.hanging > 0) css += "padding-left:" + u(p.hanging) + ";";
  if (p.firstLineIndent - p.hanging != 0) css += "text-indent:" + u(p.firstLineIndent - p.hanging) + ";";
  if (p.spaceAbove > 0) css += "padding-top:" + u(p.spaceAbove) + ";";
  if (p.spaceBelow > 0) css += "padding-bottom:" + u(p.spaceBelow) + ";";
  const TextRun& base = ParagraphLayout::baseRun(p);
  css += fontDeclarations(base.fontFamily, base.fontSize);
  if (p.lineSpacing > 0) css += "line-height:" + fmt((p.lineSpacing + 1) * 1.15) + ";";
  return styleClass(css, std::nullopt);
}

DocumentWriter::FollowingWidth DocumentWriter::followingWidth(const std::vector<Segment>& segments,
                                                              std::size_t after) {
  return ParagraphLayout(fonts, measuredBytesLeft_).followingWidth(segments, after);
}

std::string DocumentWriter::listMarker(const ParagraphItem& p, const std::string& marker) {
  const TextRun run = ParagraphLayout::markerRun(p);
  const double markerWidth = ParagraphLayout(fonts, measuredBytesLeft_).markerWidth(marker, run);
  return "<span class=\"udf-mk " + runClass(run) + "\" style=\"left:" + u(p.firstLineIndent - markerWidth) +
         ";top:" + u(p.spaceAbove) + "\">" + escapeHTML(marker) + "</span>";
}

namespace {

// Page bytes at least as many as a run's span, a tab box and an escaped
// character take.
constexpr std::size_t kSpanBytes = 32;
constexpr std::size_t kTabBoxBytes = 160;
constexpr std::size_t kPictureTagBytes = 128;

constexpr std::size_t characterCost(char c) {
  switch (c) {
    case '\t':
      return kTabBoxBytes;
    case '&':
    case '<':
    case '>':
    case '"':
    case '\'':
      return 6;
    default:
      return 1;
  }
}

// How many bytes of `text` fit into `budget`, cut at a character boundary;
// the cost of that much is added to `cost`.
std::size_t fittingBytes(std::string_view text, std::size_t budget, std::size_t& cost) {
  // Nearly always the whole run fits: no character costs more than a tab box.
  if (text.size() <= (budget - cost) / kTabBoxBytes) {
    // A byte costs one unless it is one of the few that cost more, looked
    // up without a branch.
    static constexpr auto kExtraCost = [] {
      std::array<std::uint8_t, 256> extra{};
      for (int c = 0; c < 256; ++c)
        extra[static_cast<std::size_t>(c)] =
            static_cast<std::uint8_t>(characterCost(static_cast<char>(c)) - 1);
      return extra;
    }();
    cost += text.size();
    for (const char c : text) cost += kExtraCost[static_cast<unsigned char>(c)];
    return text.size();
  }
  std::size_t end = 0;
  for (; end < text.size(); ++end) {
    const std::size_t next = characterCost(text[end]);
    if (next > budget - cost) break;
    cost += next;
  }
  while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return end;
}

}  // namespace

std::optional<ParagraphItem> DocumentWriter::shortened(const ParagraphItem& p, std::size_t budget) {
  // Nearly always the page has room for far more than the paragraph could
  // cost, even were every character a tab: then no character is looked at.
  std::size_t most = 0;
  for (const TextRun& run : p.runs) {
    most += run.image ? run.image->base64.size() + kPictureTagBytes : kSpanBytes + kTabBoxBytes * run.text.size();
    if (most > budget) break;
  }
  if (most <= budget) return std::nullopt;
  std::size_t cost = 0;
  for (std::size_t r = 0; r < p.runs.size(); ++r) {
    const TextRun& run = p.runs[r];
    const std::size_t own = run.image ? run.image->base64.size() + kPictureTagBytes : kSpanBytes;
    std::size_t fits = 0;
    if (own <= budget - cost) {
      cost += own;
      if (run.image) continue;
      fits = fittingBytes(run.text, budget, cost);
      if (fits == run.text.size()) continue;
    }
    // Every field but the runs, which are cut here (copying them all first
    // would copy what is to be left out).
    ParagraphItem cut;
    cut.alignment = p.alignment;
    cut.leftIndent = p.leftIndent;
    cut.rightIndent = p.rightIndent;
    cut.firstLineIndent = p.firstLineIndent;
    cut.hanging = p.hanging;
    cut.spaceAbove = p.spaceAbove;
    cut.spaceBelow = p.spaceBelow;
    cut.lineSpacing = p.lineSpacing;
    cut.tabStops = p.tabStops;
    cut.listMarker = p.listMarker;
    cut.runs.assign(p.runs.begin(), p.runs.begin() + static_cast<std::ptrdiff_t>(r));
    if (fits > 0) {
      TextRun& partial = cut.runs.emplace_back(formatOf(run));
      partial.text.assign(run.text, 0, fits);
    }
    return cut;
  }
  return std::nullopt;
}

std::string DocumentWriter::paragraph(const ParagraphItem& whole, double width) {
  const std::optional<ParagraphItem> cut = shortened(whole, pageBytesLeft_);
  const ParagraphItem& p = cut ? *cut : whole;
  const std::vector<Segment> segments = ParagraphLayout::segments(p);
  const auto [tabWidths, lastFirstLineTab, tabEnds] =
      ParagraphLayout(fonts, measuredBytesLeft_).layout(p, segments, width);

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
          const double size = ParagraphLayout::displaySize(*segment.run);
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
  out += "</p>";
  spend(out.size());
  return out;
}

}  // namespace maravel
