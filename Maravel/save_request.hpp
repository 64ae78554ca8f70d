// Where the "PDF Olarak Kaydet…" and "Word Belgesi Olarak Kaydet…" dialogs
// open and the file name they propose for the document on screen.
#pragma once

#include <string>
#include <string_view>

namespace maravel {

// What the shown document can be saved as: its paper as PDF, or an editable
// Word copy.
enum class SaveFormat { pdf, docx };

struct SaveRequest {
  std::string folder;  // empty: the dialog's own choice
  std::string name;
  SaveFormat format = SaveFormat::pdf;

  // For the document opened from `path`: its folder, and its file name with
  // a final ".udf" (any case) replaced by the format's ".pdf" or ".docx" or,
  // without one, that added, so that other dots stay ("Karar.2024.UDF" gives
  // "Karar.2024.pdf", "ek.v2" gives "ek.v2.pdf").
  static SaveRequest forDocument(std::string_view path, SaveFormat format = SaveFormat::pdf);

  friend bool operator==(const SaveRequest&, const SaveRequest&) = default;
};

}  // namespace maravel
