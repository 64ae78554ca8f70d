// The lines every command prints below its name and version for --version:
// who holds the copyright and the licence under which anyone may copy,
// change and pass the program on (the same as LICENSE at the top of the
// source tree and /usr/share/doc/maravel/copyright).
#pragma once

#include <string_view>

namespace maravel::commandline {

inline constexpr std::string_view kLicenceNotice =
    "Copyright 2025-2026 Orvelin and the Maravel Developers.\n"
    "Licensed under the Apache License, Version 2.0 <https://www.apache.org/licenses/LICENSE-2.0>.\n"
    "This is free software: you may copy, change and pass it on under that licence.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

}  // namespace maravel::commandline
