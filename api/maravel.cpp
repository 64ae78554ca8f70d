// The C boundary: every entry point turns the C++ layer's values and
// exceptions into a status and this thread's last message.
#include "api/maravel.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <string>

#include "api/library_document.hpp"
#include "platform/quicklook/file_contents.hpp"

struct maravel_document {
  std::unique_ptr<maravel::api::LibraryDocument> document;
};

namespace {

using maravel::api::Failure;
using maravel::api::Status;

thread_local std::string lastError;

maravel_status fail(const Failure& failure) {
  lastError = failure.message;
  return static_cast<maravel_status>(failure.status);
}

maravel_status invalid(const char* message) { return fail({Status::invalidArgument, message}); }

// Runs `work`, which returns a status; an exception becomes a status too.
template <typename Work>
maravel_status guarded(Work&& work) noexcept {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return fail({Status::outOfMemory, "out of memory"});
  } catch (const std::exception& error) {
    return fail({Status::failed, error.what()});
  } catch (...) {
    return fail({Status::failed, "unexpected failure"});
  }
}

maravel_status opened(std::unique_ptr<maravel::api::LibraryDocument> document, const Failure& failure,
                      maravel_document** out) {
  if (!document) return fail(failure);
  *out = new maravel_document{std::move(document)};
  return MARAVEL_OK;
}

bool knownFormat(maravel_format format) { return format >= MARAVEL_TEXT && format <= MARAVEL_THUMBNAIL_PNG; }

// A copy of `bytes` in memory from malloc, with a NUL after it.
std::uint8_t* copied(const std::vector<std::uint8_t>& bytes) {
  auto* data = static_cast<std::uint8_t*>(std::malloc(bytes.size() + 1));
  if (data == nullptr) throw std::bad_alloc();
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  data[bytes.size()] = 0;
  return data;
}

}  // namespace

extern "C" {

const char* maravel_version(void) { return MARAVEL_VERSION; }

const char* maravel_status_name(maravel_status status) {
  static constexpr const char* kNames[] = {
      "MARAVEL_OK",          "MARAVEL_INVALID_ARGUMENT", "MARAVEL_CANNOT_READ",
      "MARAVEL_TOO_LARGE",   "MARAVEL_NOT_A_DOCUMENT",   "MARAVEL_CANNOT_WRITE",
      "MARAVEL_CANNOT_DRAW", "MARAVEL_OUT_OF_MEMORY",    "MARAVEL_FAILED"};
  const auto index = static_cast<unsigned>(status);
  return index < std::size(kNames) ? kNames[index] : "MARAVEL_UNKNOWN";
}

const char* maravel_last_error(void) { return lastError.c_str(); }

maravel_status maravel_open_file(const char* path, maravel_document** document) {
  if (document != nullptr) *document = nullptr;
  if (path == nullptr || document == nullptr) return invalid("no path or no place for the document");
  return guarded([&] {
    Failure failure;
    return opened(maravel::api::LibraryDocument::open(std::string(path), failure), failure, document);
  });
}

maravel_status maravel_open_bytes(const void* data, size_t size, const char* name,
                                  maravel_document** document) {
  if (document != nullptr) *document = nullptr;
  if ((data == nullptr && size > 0) || document == nullptr)
    return invalid("no bytes or no place for the document");
  return guarded([&] {
    Failure failure;
    const std::string shown = name != nullptr ? name : "-";
    // Refused before anything is copied.
    if (size > MARAVEL_MAX_DOCUMENT_BYTES)
      return fail({Status::tooLarge, "cannot read " + shown + ": " +
                                         maravel::quicklook::largerThan(MARAVEL_MAX_DOCUMENT_BYTES)});
    const auto* begin = static_cast<const std::uint8_t*>(data);
    std::vector<std::uint8_t> bytes(begin, begin + size);
    std::optional<std::string> given = name != nullptr ? std::optional<std::string>(shown) : std::nullopt;
    return opened(maravel::api::LibraryDocument::open(std::move(bytes), std::move(given), failure), failure,
                  document);
  });
}

void maravel_close(maravel_document* document) { delete document; }

const char* maravel_verification_code(const maravel_document* document) {
  return document == nullptr ? nullptr : document->document->verificationCode().c_str();
}

maravel_status maravel_write(maravel_document* document, maravel_format format, int pixel_size,
                             uint8_t** data, size_t* size) {
  if (data != nullptr) *data = nullptr;
  if (size != nullptr) *size = 0;
  if (document == nullptr || data == nullptr || size == nullptr)
    return invalid("no document or no place for the bytes");
  if (!knownFormat(format)) return invalid("unknown output format");
  return guarded([&] {
    std::vector<std::uint8_t> bytes;
    const std::lock_guard hold(document->document->lock());
    const auto failure = document->document->write(static_cast<maravel::api::Format>(format), pixel_size,
                                                   [&bytes](std::span<const std::uint8_t> piece) {
                                                     bytes.insert(bytes.end(), piece.begin(), piece.end());
                                                     return true;
                                                   });
    if (failure) return fail(*failure);
    *data = copied(bytes);
    *size = bytes.size();
    return MARAVEL_OK;
  });
}

maravel_status maravel_write_file(maravel_document* document, maravel_format format, int pixel_size,
                                  const char* path) {
  if (document == nullptr || path == nullptr) return invalid("no document or no path");
  if (!knownFormat(format)) return invalid("unknown output format");
  return guarded([&] {
    const std::lock_guard hold(document->document->lock());
    const auto failure =
        document->document->writeFile(static_cast<maravel::api::Format>(format), pixel_size, path);
    return failure ? fail(*failure) : MARAVEL_OK;
  });
}

void maravel_free(void* data) { std::free(data); }

}  // extern "C"
