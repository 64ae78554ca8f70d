// Points as the units WordprocessingML counts lengths in, each clamped to
// what Word accepts so that no value of a document, however odd (NaN,
// infinities, 1e308), gives a number Word would refuse.
//
// Internal to docx/. Pure functions.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace maravel::word {

// The largest page side and indent Word takes: 22 inches.
inline constexpr double kLargestLength = 1584;

// `points` rounded to a whole number of `unit`s per point, within
// [low, high]; `fallback` points when it is not a number.
inline std::int64_t scaled(double points, double unit, double low, double high, double fallback = 0) {
  if (std::isnan(points)) points = fallback;
  return std::llround(std::clamp(points, low, high) * unit);
}

// Twentieths of a point: page sizes, margins, indents, spacing, tab stops,
// column and cell widths.
inline std::int64_t twips(double points, double low = -kLargestLength, double high = kLargestLength) {
  return scaled(points, 20, low, high);
}

// Half points: font sizes, 1 to 1638 points.
inline std::int64_t halfPoints(double points) { return scaled(points, 2, 1, 1638, 12); }

// Eighths of a point: border widths, which Word draws from 1/4 to 6 points.
inline std::int64_t eighths(double points) { return scaled(points, 8, 0.25, 6, 1); }

// English metric units, 12,700 to the point: picture sizes, at least 1 point.
inline std::int64_t emu(double points) { return scaled(points, 12700, 1, kLargestLength, 1); }

}  // namespace maravel::word
