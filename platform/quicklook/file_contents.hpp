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

// The whole file when it is a regular file of at most `limit` bytes; nothing
// when it cannot be opened, is a folder, a device or a FIFO (opened without
// blocking, so none of them can stall the caller), or is larger. A file that
// shrinks while it is read is taken as far as it went.
std::optional<std::vector<std::uint8_t>> readFileContents(
    const std::filesystem::path& path, std::size_t limit = std::numeric_limits<std::size_t>::max());

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
