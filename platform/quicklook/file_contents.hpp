// Reading the file a Quick Look request names, as the system's own file
// reading does for an extension: the whole file into memory at once; and
// writing a whole file so that no reader ever sees half of it.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace maravel::quicklook {

// No door reads a file larger than this as a document (256 MiB, far above
// any real one, which is a few megabytes): its size is known before it is
// read, and the reader's own budget for all entries of an archive is the
// same.
inline constexpr std::size_t kMaxDocumentBytes = std::size_t{256} << 20;

// A file's bytes, or why there are none.
struct FileContents {
  std::optional<std::vector<std::uint8_t>> bytes;
  // Without bytes: the system's reason ("No such file or directory"), "not
  // a regular file" or "larger than N MiB"; empty with them.
  std::string failure;
};

// The whole file when it is a regular file of at most `limit` bytes (its
// size is taken from the file system before anything is read); nothing
// when it cannot be opened, is a folder, a device or a FIFO (opened without
// blocking, so none of them can stall the caller), or is larger. A file that
// shrinks while it is read is taken as far as it went.
FileContents readFile(const std::filesystem::path& path, std::size_t limit);

// readFile's bytes alone.
std::optional<std::vector<std::uint8_t>> readFileContents(
    const std::filesystem::path& path, std::size_t limit = std::numeric_limits<std::size_t>::max());

// "larger than N MiB" (or KiB, or bytes) for a limit.
std::string largerThan(std::size_t limit);

// Writes `bytes` to a temporary file beside `path` (permissions `mode`) and
// renames it over `path`; the temporary file is removed on every failure.
// Nothing on success, else a one-line reason naming the path.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::span<const std::uint8_t> bytes, mode_t mode = 0600);

// The last path component with its extension, as the page title and the
// status line name a file; a trailing separator does not count as a
// component ("/a/karar.udf/" gives "karar.udf", "/" gives "/").
std::string lastPathComponent(const std::filesystem::path& location);

}  // namespace maravel::quicklook
