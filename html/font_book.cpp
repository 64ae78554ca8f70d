#include "html/font_book.hpp"

#include <charconv>
#include <string>
#include <utility>
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

// Words of family names that tell their class, checked in this order (so
// "Sans Serif" and "Century Gothic" stay sans-serif, "Noto Sans Mono" is
// monospaced) against the name's words, cut at every character that is
// not a letter ("Century751 B" holds "Century").
constexpr std::pair<std::string_view, fonts::GenericFamily> kClassWords[] = {
    {"mono", fonts::GenericFamily::monospace}, {"courier", fonts::GenericFamily::monospace},
    {"sans", fonts::GenericFamily::sansSerif}, {"gothic", fonts::GenericFamily::sansSerif},
    {"century", fonts::GenericFamily::serif},  {"times", fonts::GenericFamily::serif},
    {"garamond", fonts::GenericFamily::serif}, {"georgia", fonts::GenericFamily::serif},
    {"book", fonts::GenericFamily::serif},     {"antiqua", fonts::GenericFamily::serif},
    {"cambria", fonts::GenericFamily::serif},  {"roman", fonts::GenericFamily::serif},
    {"serif", fonts::GenericFamily::serif},
};

bool hasWord(std::string_view lowerName, std::string_view word) {
  const auto isLetter = [](char c) {
    return (c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80;
  };
  for (std::size_t at = lowerName.find(word); at != std::string_view::npos;
       at = lowerName.find(word, at + 1)) {
    const std::size_t end = at + word.size();
    if ((at == 0 || !isLetter(lowerName[at - 1])) && (end == lowerName.size() || !isLetter(lowerName[end])))
      return true;
  }
  return false;
}

// The face of the font book that stands in for a family that is not
// installed: serif and monospaced families keep their class, as fontconfig
// files them or as their name's words tell; everything else is sans-serif.
std::string standIn(const std::string& lowerName, std::optional<fonts::GenericFamily> configured) {
  fonts::GenericFamily generic = configured.value_or(fonts::GenericFamily::sansSerif);
  if (generic == fonts::GenericFamily::sansSerif) {
    for (const auto& [word, kind] : kClassWords) {
      if (hasWord(lowerName, word)) {
        generic = kind;
        break;
      }
    }
  }
  switch (generic) {
    case fonts::GenericFamily::serif:
      return "Times New Roman";
    case fonts::GenericFamily::monospace:
      return "Courier New";
    case fonts::GenericFamily::sansSerif:
      break;
  }
  return "Arial";
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
  const std::string lower = text::lowercased(trimmed);
  if (auto found = families.find(lower); found != families.end()) return found->second;
  // Asking fontconfig costs a configuration walk; a document naming
  // thousands of unknown families gets its answers only for the first ones,
  // and the others are classed by their names alone.
  if (aliasLookups_ >= kMaxAliasLookups) return standIn(lower, std::nullopt);
  ++aliasLookups_;
  std::optional<std::string> compatible = fonts::metricCompatibleFamily(trimmed);
  if (!compatible) return standIn(lower, fonts::genericFamily(trimmed));
  (*installed_)[text::lowercased(*compatible)] = *compatible;
  return *compatible;
}

const fonts::FontFace& FontBook::font(const TextRun& run, double size) {
  if (last_.face != nullptr && last_.size == size && last_.bold == run.bold && last_.italic == run.italic &&
      last_.familyText == run.fontFamily)
    return *last_.face;
  const std::string resolvedFamily = family(run.fontFamily);
  std::string key = resolvedFamily + "|" + keyNumber(size) + "|" + (run.bold ? "true" : "false") + "|" +
                    (run.italic ? "true" : "false");
  auto found = fonts_.find(key);
  if (found == fonts_.end()) {
    found =
        fonts_.emplace(std::move(key), faces_.createFace(resolvedFamily, size, run.bold, run.italic)).first;
  }
  last_ = {run.fontFamily, size, run.bold, run.italic, found->second.get()};
  return *found->second;
}

const fonts::FontFace& FontBook::fallbackFont(char32_t character, const TextRun& run, double size) {
  std::string key = std::to_string(character) + "|" + keyNumber(size) + "|" + (run.bold ? "true" : "false") +
                    "|" + (run.italic ? "true" : "false");
  auto found = fallbacks_.find(key);
  if (found == fallbacks_.end())
    found = fallbacks_
                .emplace(std::move(key), faces_.createFaceForCharacter(character, size, run.bold, run.italic))
                .first;
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
