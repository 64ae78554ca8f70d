// The fontconfig queries behind the font faces: which file a family, weight
// and slant select. Internal to platform/fonts.
#pragma once

#include <optional>
#include <string>

#include "platform/fonts/font_face.hpp"

namespace maravel::fonts {

// What fontconfig matches for a family asked for with plain weight and
// slant: the file, and the family the file belongs to.
struct FaceMatch {
  FaceFile file;
  std::string family;
};

// Nothing when fontconfig matches no file at all.
std::optional<FaceMatch> matchPlainFace(const std::string& family);

// The file fontconfig matches for `family` with the traits asked for, when
// the family holds a face with exactly those traits (bold: weight demibold or
// heavier; italic: italic or oblique slant); otherwise the family's plain
// face, `plain` as matchPlainFace(family) gave it (so that the faces of one
// family share that match). Nothing when `plain` is nothing.
std::optional<FaceFile> matchFaceFile(const std::string& family, bool bold, bool italic,
                                      const std::optional<FaceMatch>& plain);

// Called when a file fontconfig's answers named cannot be read as a font:
// the answers kept from earlier processes are dropped, so that every
// question is asked of fontconfig afresh, and their file is made anew.
void distrustKeptAnswers();

// A file that has a glyph for `character`, as close to the traits as the
// configuration finds; nothing when no installed face has one.
std::optional<FaceFile> characterFaceFile(char32_t character, bool bold, bool italic);

}  // namespace maravel::fonts
