// Font families and text widths for the page writer.
//
// One FontBook per page. family() resolves a document's family text to an
// installed family; width() measures text the way the page draws it, with
// kerning and ligatures off. Not shared between threads.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "model/udf_document.hpp"
#include "platform/fonts/font_face.hpp"

namespace maravel {

class FontBook {
 public:
  FontBook();
  ~FontBook();
  FontBook(const FontBook&) = delete;
  FontBook& operator=(const FontBook&) = delete;

  // Lower-cased family name to the family name as installed; loaded on first
  // use. Families that the font configuration answers with a metric-compatible
  // face count as installed under the name asked for.
  const std::unordered_map<std::string, std::string>& installed();

  // The family to use for a document's family text ("serif", "Arial",
  // "'Arial Narrow', Arial", ...).
  std::string family(const std::string& name);

  // The face for the run's family, bold and italic at `size` points, cached.
  const fonts::FontFace& font(const TextRun& run, double size);

  // Advance width in points of `text` in font(run, size); 0 for "".
  double width(std::string_view text, const TextRun& run, double size);

 private:
  std::unordered_map<std::string, std::unique_ptr<fonts::FontFace>> fonts_;
  std::unordered_map<std::string, std::string> resolved_;
  std::optional<std::unordered_map<std::string, std::string>> installed_;
};

}  // namespace maravel
