// Why a file could not be shown, in words a user can act on: the error view
// that replaces the document says it in Turkish and offers "Aç…".
//
// Asked only after the reader refused a file, so its extra look at the
// bytes costs nothing on the way to a document. Pure; the bytes are those
// the window read (none when it could not read any).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace maravel {

enum class OpenFailureKind {
  missing,            // no file at the path
  unreadable,         // there, but could not be read (no permission, too large, a folder)
  notArchive,         // not a zip archive
  otherDocument,      // a spreadsheet, word-processor or OpenDocument archive
  noContent,          // another zip archive, without content.xml
  damagedArchive,     // a zip archive whose directory or content.xml cannot be read
  unreadableContent,  // content.xml is there but holds no document
};

struct OpenFailure {
  OpenFailureKind kind = OpenFailureKind::unreadableContent;

  // What happened to the file, given `exists` (the path names something)
  // and the bytes read from it, if any could be.
  static OpenFailure diagnose(bool exists, const std::optional<std::vector<std::uint8_t>>& bytes);

  // The error view's heading and the sentence under it naming `fileName`
  // (shown as plain text, never as markup).
  std::string heading() const;
  std::string explanation(std::string_view fileName) const;

  friend bool operator==(const OpenFailure&, const OpenFailure&) = default;
};

}  // namespace maravel
