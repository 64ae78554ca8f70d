// Where the "PDF Olarak Kaydet…" dialog opens and the file name it proposes
// for the document on screen.
#pragma once

#include <string>
#include <string_view>

namespace maravel {

struct SaveRequest {
  std::string folder;  // empty: the dialog's own choice
  std::string name;

  // For the document opened from `path`: its folder, and its file name with
  // a final ".udf" (any case) replaced by ".pdf" or, without one, ".pdf"
  // added, so that other dots stay ("Karar.2024.UDF" gives "Karar.2024.pdf",
  // "ek.v2" gives "ek.v2.pdf").
  static SaveRequest forDocument(std::string_view path);

  friend bool operator==(const SaveRequest&, const SaveRequest&) = default;
};

}  // namespace maravel
