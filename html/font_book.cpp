#include "html/font_book.hpp"

#include <charconv>
#include <string>
#include <vector>

#include "platform/text/text.hpp"

namespace maravel {
namespace {

// The first non-empty comma-separated piece, or "" when there is none.
std::string_view firstPiece(std::string_view text) {
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    std::string_view piece = text.substr(0, comma);
    if (!piece.empty()) return piece;
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return {};
}

// Trims spaces, double quotes and apostrophes, and nothing else.
std::string_view trimQuotes(std::string_view text) {
  constexpr std::string_view kTrimmed = " \"'";
  const std::size_t start = text.find_first_not_of(kTrimmed);
  if (start == std::string_view::npos) return {};
  return text.substr(start, text.find_last_not_of(kTrimmed) - start + 1);
}

std::optional<std::string> logicalFamily(std::string_view lower) {
  if (lower == "serif") return "Times New Roman";
  if (lower == "monospaced") return "Courier New";
  if (lower.empty() || lower == "dialog" || lower == "dialoginput" || lower == "sansserif") return "Arial";
  return std::nullopt;
}

}  // namespace

FontBook::FontBook() = default;
FontBook::~FontBook() = default;

const std::unordered_map<std::string, std::string>& FontBook::installed() {
  if (!installed_) {
    installed_.emplace();
    for (const std::string& name : fonts::availableFamilies()) {
      (*installed_)[text::lowercased(name)] = name;
    }
  }
  return *installed_;
}

std::string FontBook::family(const std::string& name) {
  if (auto found = resolved_.find(name); found != resolved_.end()) return found->second;
  const std::string trimmed(trimQuotes(firstPiece(name)));
  std::string result = logicalFamily(text::lowercased(trimmed)).value_or("");
  if (result.empty()) result = lookUp(trimmed);
  resolved_.emplace(name, result);
  return result;
}

std::string FontBook::documentFamily(const std::string& name) {
  const std::string trimmed(trimQuotes(firstPiece(name)));
  return logicalFamily(text::lowercased(trimmed)).value_or(trimmed);
}

std::string FontBook::lookUp(const std::string& trimmed) {
  const auto& families = installed();
  if (families.empty()) return trimmed;
  if (auto found = families.find(text::lowercased(trimmed)); found != families.end()) return found->second;
  // Asking fontconfig costs a configuration walk; a document naming
  // thousands of unknown families gets its answers only for the first ones.
  if (aliasLookups_ >= kMaxAliasLookups) return "Arial";
  ++aliasLookups_;
  std::optional<std::string> compatible = fonts::metricCompatibleFamily(trimmed);
  if (!compatible) return "Arial";
  (*installed_)[text::lowercased(*compatible)] = *compatible;
  return *compatible;
}

const fonts::FontFace& FontBook::font(const TextRun& run, double size) {
  const std::string resolvedFamily = family(run.fontFamily);
  std::string key = resolvedFamily + "|" + keyNumber(size) + "|" + (run.bold ? "true" : "false") + "|" +
                    (run.italic ? "true" : "false");
  auto found = fonts_.find(key);
  if (found == fonts_.end()) {
    found =
        fonts_.emplace(std::move(key), faces_.createFace(resolvedFamily, size, run.bold, run.italic)).first;
  }
  return *found->second;
}

double FontBook::width(std::string_view text, const TextRun& run, double size) {
  if (text.empty()) return 0;
  return font(run, size).advance(text);
}

std::string FontBook::keyNumber(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string written(buffer, result.ptr);
  if (written.find_first_of(".en") == std::string::npos) written += ".0";
  return written;
}

}  // namespace maravel
