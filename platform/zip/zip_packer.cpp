#include "platform/zip/zip_packer.hpp"

#include <zip.h>

#include <array>
#include <memory>

namespace maravel::zip {

namespace {

// The earliest date a zip entry can carry, 1980-01-01 00:00, in DOS form.
constexpr zip_uint16_t kDosDate = (1 << 5) | 1;
constexpr zip_uint16_t kDosTime = 0;

struct SourceFree {
  void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using Source = std::unique_ptr<zip_source_t, SourceFree>;

bool addMember(zip_t* archive, const Member& member) {
  zip_source_t* data = zip_source_buffer(archive, member.bytes.data(), member.bytes.size(), 0);
  if (data == nullptr) return false;
  const zip_int64_t index = zip_file_add(archive, member.name.c_str(), data, ZIP_FL_ENC_UTF_8);
  if (index < 0) {
    zip_source_free(data);
    return false;
  }
  const auto entry = static_cast<zip_uint64_t>(index);
  return zip_set_file_compression(archive, entry, member.compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) == 0 &&
         zip_file_set_dostime(archive, entry, kDosTime, kDosDate, 0) == 0;
}

// The archive into the buffer source; the source stays open for reading.
bool build(zip_source_t* buffer, const std::vector<Member>& members) {
  zip_error_t error;
  zip_error_init(&error);
  zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
  zip_error_fini(&error);
  if (archive == nullptr) {
    zip_source_free(buffer);  // the reference the archive would have taken
    return false;
  }
  for (const Member& member : members) {
    if (!addMember(archive, member)) {
      zip_discard(archive);
      return false;
    }
  }
  if (zip_close(archive) != 0) {
    zip_discard(archive);
    return false;
  }
  return true;
}

bool drain(zip_source_t* buffer, const Sink& sink) {
  if (zip_source_open(buffer) != 0) return false;
  std::array<std::uint8_t, 1 << 16> piece{};
  bool written = true;
  while (written) {
    const zip_int64_t n = zip_source_read(buffer, piece.data(), piece.size());
    if (n < 0) written = false;
    if (n <= 0) break;
    written = sink(std::span<const std::uint8_t>(piece.data(), static_cast<std::size_t>(n)));
  }
  zip_source_close(buffer);
  return written;
}

}  // namespace

bool pack(const std::vector<Member>& members, const Sink& sink) {
  zip_error_t error;
  zip_error_init(&error);
  Source buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
  zip_error_fini(&error);
  if (!buffer) return false;
  zip_source_keep(buffer.get());  // the archive releases its reference on close
  return build(buffer.get(), members) && drain(buffer.get(), sink);
}

}  // namespace maravel::zip
