// Installed font families and text advances, over fontconfig and HarfBuzz.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace maravel::fonts {

// One face of one family at one size. Measures text with kerning and all
// ligatures off.
class FontFace {
 public:
  virtual ~FontFace() = default;
  // Sum of the advances of `text` (UTF-8), in points.
  virtual double advance(std::string_view text) const = 0;
};

}  // namespace maravel::fonts
