// The fontconfig queries behind the font faces: which file a family, weight
// and slant select. Internal to platform/fonts.
#pragma once

#include <optional>
#include <string>

namespace maravel::fonts {

// One face inside one font file.
struct FaceFile {
  std::string path;
  int index = 0;
};

// The file fontconfig matches for `family` with the traits asked for, when
// the family holds a face with exactly those traits (bold: weight demibold or
// heavier; italic: italic or oblique slant); otherwise the family's plain face.
// Nothing when fontconfig matches no file at all.
std::optional<FaceFile> matchFaceFile(const std::string& family, bool bold, bool italic);

}  // namespace maravel::fonts
