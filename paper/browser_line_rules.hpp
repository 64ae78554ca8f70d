// How the browser that shows the preview page fills a line, so that paper
// breaks each paragraph at the same places:
//
// - Break opportunities: after a run of spaces; between two ASCII
//   characters only where the browser's own pair table allows it (after
//   "/" never, so "2026/101" and "a/b" stay whole; after "-" before a
//   letter or, when a letter or digit precedes the hyphen, before a digit,
//   so "(2024-1234)" breaks after its hyphen); everywhere else where the
//   Unicode line breaking rules allow it.
// - Widths: the page is drawn at kPixelsPerPoint pixels per point (the
//   preview's full size); the browser sets a font at its pixel size cut down
//   to 1/64 pixel and sums each stretch of text up to the next 1/64 pixel,
//   and a line takes what ends within 1/64 pixel of its width.
//
// Internal to paper/. Pure functions; safe on any thread.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace maravel {

class BrowserLineRules {
 public:
  static constexpr double kPixelsPerPoint = 1.6;

  // The byte offsets of `text` (UTF-8) before which the browser may break a
  // line, ascending. `unicode` gives the offsets the Unicode rules allow
  // (ascending, as breaks::LineBreaks gives them); it is called at most
  // once, and only when a pair of characters needs them.
  static std::vector<std::size_t> opportunities(std::string_view text,
                                                const std::function<std::vector<std::size_t>()>& unicode);

  // The width in pixels the browser gives text that measures `points` at
  // its font size of `size` points, rounded up to 1/64 pixel.
  static double textPixels(double points, double size);

  // A length of the page in pixels, cut down to 1/64 pixel.
  static double pixels(double points);

  // True when a line filled to `used` pixels still fits `available` pixels.
  static bool fits(double used, double available);
};

}  // namespace maravel
