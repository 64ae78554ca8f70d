// Headless Chromium for tests that look at a page the way a browser does:
// the page is loaded from a file, its scripts run, and the DOM as parsed
// comes back as text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tests/support/scratch_folder.hpp"

namespace maravel::testing {

inline constexpr const char* kChromium = "/usr/bin/chromium";

// Writes the page into the folder, loads it in a window `windowWidth` pixels
// wide and returns Chromium's --dump-dom output; nothing when Chromium
// failed or took longer than two minutes.
std::optional<std::string> dumpDOM(const ScratchFolder& folder, std::string_view page, int windowWidth);

// The text of the <pre id="ID"> element in a DOM dump, with the serializer's
// escapes undone; nothing when there is none.
std::optional<std::string> preText(std::string_view dom, std::string_view id);

}  // namespace maravel::testing
