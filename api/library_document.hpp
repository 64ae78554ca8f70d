// One document opened through the library: the file's bytes, the model the
// reader made of them, and the signature check, made when first asked for.
// Every output is the one its command writes, byte for byte.
//
// Failure is a value (a Failure naming the cause); nothing here throws but
// std::bad_alloc. One document belongs to one thread at a time (the C layer
// takes its lock); distinct documents share nothing of their own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/udf_document.hpp"

namespace maravel::api {

// The values of maravel_status.
enum class Status {
  ok,
  invalidArgument,
  cannotRead,
  tooLarge,
  notADocument,
  cannotWrite,
  cannotDraw,
  outOfMemory,
  failed
};

// The values of maravel_format.
enum class Format { text, modelJson, verifyJson, html, pdf, docx, thumbnailPng };

struct Failure {
  Status status = Status::failed;
  std::string message;
};

class LibraryDocument {
 public:
  // Takes the output's bytes in order; false stops the writing.
  using Sink = std::function<bool(std::span<const std::uint8_t>)>;

  // The file at `path`, read and parsed as the commands read it; nothing,
  // and `failure` set, when it cannot be read or holds no document.
  static std::unique_ptr<LibraryDocument> open(const std::string& path, Failure& failure);
  // The same for bytes; `name` stands for the file's path (see maravel.h).
  static std::unique_ptr<LibraryDocument> open(std::vector<std::uint8_t> bytes,
                                               std::optional<std::string> name, Failure& failure);

  const std::string& verificationCode() const { return doc_.verificationCode; }

  // Writes the output into `sink`; nothing when all of it went there.
  // `pixelSize` is the thumbnail's edge (1 to kMaxThumbnailSize).
  std::optional<Failure> write(Format format, int pixelSize, const Sink& sink);
  // The same into the file at `path`, renamed into place once complete.
  std::optional<Failure> writeFile(Format format, int pixelSize, const std::string& path);

  static constexpr int kMaxThumbnailSize = 4096;

  // Held by the C layer around every call on this document.
  std::mutex& lock() { return lock_; }

 private:
  LibraryDocument(std::vector<std::uint8_t> bytes, UDFDocument doc, std::string name);

  // The model with its signature checked, as udfverify checks it.
  const UDFDocument& checkedModel();
  std::string verifyJson();
  std::optional<Failure> writeText(const Sink& sink);
  std::optional<Failure> writeModelJson(const Sink& sink);
  std::optional<Failure> writeDrawing(Format format, int pixelSize, const Sink& sink);

  std::vector<std::uint8_t> bytes_;
  UDFDocument doc_;
  std::string name_;   // the path or name the caller gave ("-" for none)
  std::string title_;  // the name's last component, or "UDF Belgesi"
  bool signatureChecked_ = false;
  bool readable_ = true;  // false when the signature check found no document
  std::mutex lock_;
};

}  // namespace maravel::api
