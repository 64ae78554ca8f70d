#include "platform/fonts/font_file.hpp"

#include <fcntl.h>
#include <hb.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace maravel::fonts {

namespace {

struct Mapping {
  void* bytes;
  std::size_t size;
};

void unmap(void* data) {
  const auto* mapping = static_cast<Mapping*>(data);
  ::munmap(mapping->bytes, mapping->size);
  delete mapping;
}

}  // namespace

hb_blob_t* readFontFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  void* bytes = MAP_FAILED;
  std::size_t size = 0;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
      static_cast<unsigned long long>(info.st_size) <= kMaxFontFileBytes) {
    size = static_cast<std::size_t>(info.st_size);
    bytes = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  }
  ::close(fd);
  if (bytes == MAP_FAILED) return nullptr;
  // HarfBuzz unmaps when it cannot make the blob, too.
  return hb_blob_create_or_fail(static_cast<const char*>(bytes), static_cast<unsigned>(size),
                                HB_MEMORY_MODE_READONLY_MAY_MAKE_WRITABLE, new Mapping{bytes, size}, unmap);
}

}  // namespace maravel::fonts
