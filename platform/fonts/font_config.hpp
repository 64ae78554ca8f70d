// The fontconfig queries behind the font faces: which file a family, weight
// and slant select. Internal to platform/fonts.
#pragma once

#include <optional>
#include <string>

#include "platform/fonts/font_face.hpp"

namespace maravel::fonts {

// The file fontconfig matches for `family` with the traits asked for, when
// the family holds a face with exactly those traits (bold: weight demibold or
// heavier; italic: italic or oblique slant); otherwise the family's plain face.
// Nothing when fontconfig matches no file at all.
std::optional<FaceFile> matchFaceFile(const std::string& family, bool bold, bool italic);

// A file that has a glyph for `character`, as close to the traits as the
// configuration finds; nothing when no installed face has one.
std::optional<FaceFile> characterFaceFile(char32_t character, bool bold, bool italic);

}  // namespace maravel::fonts
