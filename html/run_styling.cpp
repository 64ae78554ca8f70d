// The generated style classes and the page's number formats.

#include <algorithm>
#include <charconv>
#include <cmath>

#include "html/document_writer.hpp"
#include "html/html_escape.hpp"

namespace maravel {

namespace {

// Dark foregrounds are left to the theme so that they turn light in dark
// appearance.
bool showsForeground(const std::optional<std::uint32_t>& color) {
  return color && largestComponent(*color) >= 80;
}

// Near-white highlights are dropped: they would only tint the paper.
bool showsBackground(const std::optional<std::uint32_t>& color) {
  return color && smallestComponent(*color) < 241;
}

// The largest double below 2^63: every rounded value is clamped to it, so
// that no number of the page runs into thousands of digits.
constexpr double kLargestWritten = 9223372036854774784.0;

}  // namespace

unsigned largestComponent(std::uint32_t rgb) {
  return std::max({(rgb >> 16) & 0xFFu, (rgb >> 8) & 0xFFu, rgb & 0xFFu});
}

unsigned smallestComponent(std::uint32_t rgb) {
  return std::min({(rgb >> 16) & 0xFFu, (rgb >> 8) & 0xFFu, rgb & 0xFFu});
}

std::string hexColor(std::uint32_t rgb) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = "#";
  for (int shift = 20; shift >= 0; shift -= 4) out += kDigits[(rgb >> shift) & 0xF];
  return out;
}

std::string DocumentWriter::fmt(double value) {
  if (!std::isfinite(value)) return "0";
  double r = std::round(value * 100) / 100;
  if (r == 0) return "0";  // also a negative zero and a product that underflowed
  if (!(std::fabs(r) <= kLargestWritten)) r = std::copysign(kLargestWritten, r);
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, r, std::chars_format::fixed);
  return std::string(buffer, result.ptr);
}

std::string DocumentWriter::u(double points) {
  if (points == 0) return "0";
  return "calc(" + fmt(points) + "*var(--u))";
}

std::string DocumentWriter::styleClass(const std::string& css, const std::optional<std::string>& dark) {
  std::string key = css + "|" + dark.value_or("");
  if (auto found = classNames.find(key); found != classNames.end()) return found->second;
  // Appended rather than "s" + ...: GCC 12 at -O3 warns falsely on that form.
  std::string name = "s";
  name += std::to_string(classNames.size());
  classNames.emplace(std::move(key), name);
  classCSS += "." + name + "{" + css + "}\n";
  if (dark) darkCSS += "." + name + "{" + *dark + "}\n";
  return name;
}

// The family is written as a CSS string whatever the document named, so a
// family text cannot end the declaration, the rule or the style element.
std::string DocumentWriter::fontDeclarations(const std::string& family, double size) {
  return "font-family:\"" + escapeCSSString(fonts.family(family)) +
         "\",\"Times New Roman\",serif;font-size:" + u(size) + ";";
}

namespace {

// Everything runClass reads of a run.
bool sameFormat(const TextRun& a, const TextRun& b) {
  return a.fontFamily == b.fontFamily && a.fontSize == b.fontSize && a.bold == b.bold &&
         a.italic == b.italic && a.underline == b.underline && a.strikethrough == b.strikethrough &&
         a.isSubscript == b.isSubscript && a.isSuperscript == b.isSuperscript &&
         a.foreground == b.foreground && a.background == b.background;
}

}  // namespace

std::string DocumentWriter::runClass(const TextRun& run) {
  for (const RecentRunClass& recent : recentRunClasses_) {
    if (sameFormat(recent.format, run)) return recent.name;
  }
  RecentRunClass made{formatOf(run), newRunClass(run)};
  if (recentRunClasses_.size() < kRecentRunClasses) {
    recentRunClasses_.push_back(std::move(made));
    return recentRunClasses_.back().name;
  }
  RecentRunClass& replaced = recentRunClasses_[nextRecentRunClass_];
  nextRecentRunClass_ = (nextRecentRunClass_ + 1) % kRecentRunClasses;
  replaced = std::move(made);
  return replaced.name;
}

TextRun DocumentWriter::formatOf(const TextRun& run) {
  TextRun format;
  format.fontFamily = run.fontFamily;
  format.fontSize = run.fontSize;
  format.bold = run.bold;
  format.italic = run.italic;
  format.underline = run.underline;
  format.strikethrough = run.strikethrough;
  format.isSubscript = run.isSubscript;
  format.isSuperscript = run.isSuperscript;
  format.foreground = run.foreground;
  format.background = run.background;
  return format;
}

std::string DocumentWriter::newRunClass(const TextRun& run) {
  std::string css = fontDeclarations(run.fontFamily, ParagraphLayout::displaySize(run));
  if (run.bold) css += "font-weight:bold;";
  if (run.italic) css += "font-style:italic;";
  if (run.underline || run.strikethrough) {
    css += "text-decoration:";
    if (run.underline) css += "underline";
    if (run.underline && run.strikethrough) css += " ";
    if (run.strikethrough) css += "line-through";
    css += ";";
  }
  if (run.isSubscript) {
    css += "vertical-align:sub;";
  } else if (run.isSuperscript) {
    css += "vertical-align:super;";
  }
  const bool foreground = showsForeground(run.foreground);
  const bool background = showsBackground(run.background);
  if (foreground) css += "color:" + hexColor(*run.foreground) + ";";
  if (background) css += "background-color:" + hexColor(*run.background) + ";";
  std::optional<std::string> dark;
  if (foreground && !background) {
    dark = "color:color-mix(in srgb," + hexColor(*run.foreground) + " 55%,#fff);";
  } else if (background && !foreground) {
    dark = "color:#111;";
  }
  return styleClass(css, dark);
}

}  // namespace maravel
