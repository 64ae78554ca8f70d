// Font files read only as what they claim to be. A path comes from
// fontconfig or from the answers kept between processes, and the latter is a
// file in the user's cache folder that anything may have written: it may
// name a FIFO (opening it would wait for a writer for ever), a device that
// never ends (/dev/zero) or any file at all. Internal to platform/fonts and
// platform/drawing.
#pragma once

#include <cstddef>
#include <string>

struct hb_blob_t;

namespace maravel::fonts {

// The largest font file read. The largest fonts installed (collections of
// the CJK faces) are a few tens of megabytes.
inline constexpr std::size_t kMaxFontFileBytes = std::size_t{256} << 20;

// The bytes of the regular file at `path`, mapped read-only, as a HarfBuzz
// blob the caller destroys. The file is opened without waiting (a FIFO or a
// device opens at once and is then refused) and must be a regular file of
// at most kMaxFontFileBytes bytes, not empty. Null otherwise. Safe on any
// thread.
hb_blob_t* readFontFile(const std::string& path);

}  // namespace maravel::fonts
