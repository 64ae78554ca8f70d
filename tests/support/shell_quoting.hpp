// Quoting for /bin/sh command lines that tests and benchmarks build.
#pragma once

#include <string>
#include <string_view>

namespace maravel::testing {

// `text` as one single-quoted word for /bin/sh, whatever bytes it holds.
inline std::string shellQuoted(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string_view("'\\''") : std::string_view(&c, 1);
  return quoted + "'";
}

}  // namespace maravel::testing
