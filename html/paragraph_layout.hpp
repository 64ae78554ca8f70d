// The geometry of a paragraph that the page writer and the paper layout
// share, so that both put every tab, marker and font on the same spot: the
// paragraph's segments, its tab widths against measured text, its own font
// and its list marker's face and width. The page writer turns tab widths
// into tab boxes, the paper layout into gaps.
//
// A paragraph is cut into segments (text without tabs, single tabs,
// pictures); the layout replays the browser's line filling in points from
// the paragraph's first line indent, wraps where a word or tab no longer
// fits, and resolves each tab to the stop it reaches (left, right, centre or
// decimal, the next multiple of 72 points without stops, 5 points on past
// the last stop); in centred and right-aligned paragraphs every tab is 10
// points wide instead (fixedTabAdvance). What follows the last tab is not
// measured.
//
// A ParagraphLayout borrows the FontBook (and the byte budget when it is
// given one), which must outlive it; one thread.
// Nothing fails: tab widths are never negative and no tab reaches past the
// line's end.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "html/font_book.hpp"
#include "model/udf_document.hpp"

namespace maravel {

class ParagraphLayout {
 public:
  // The page writer measures at most this many bytes of text per page with
  // the fonts (1 MiB, several times what the tab lines and markers of a
  // thousand-page decision hold); past it, text counts half its font size
  // per character, so that a page of millions of words laid out against tab
  // stops cannot take seconds.
  static constexpr std::size_t kMeasuredTextBytes = std::size_t{1} << 20;

  // Measures all text with the fonts.
  explicit ParagraphLayout(FontBook& fonts) : fonts_(fonts) {}
  // Measures with the fonts while `measuredBytesLeft` lasts, counting it
  // down, and estimates after that.
  ParagraphLayout(FontBook& fonts, std::size_t& measuredBytesLeft)
      : fonts_(fonts), measuredBytesLeft_(&measuredBytesLeft) {}

  // One piece of a paragraph in reading order. `run` points into the
  // paragraph it was cut from and is valid only while that is.
  struct Segment {
    enum class Kind { text, tab, image };
    Kind kind = Kind::text;
    const TextRun* run = nullptr;
    std::string text;  // Kind::text only; never holds a tab or a line break
  };

  struct FollowingWidth {
    double full = 0;
    double decimal = 0;
  };

  struct Result {
    std::vector<double> tabWidths;  // one per tab segment up to the last, in order
    // The number (among the tabs) of the last tab that is still on the first line.
    std::optional<std::size_t> lastFirstLineTab;
    // Where each tab leaves the pen, from the indent edge of its line.
    std::vector<double> tabEnds;
  };

  // The paragraph's segments: a picture run gives one image segment; other
  // runs lose their line breaks and other control characters but tabs, and
  // split at tabs (empty pieces give no text segment).
  static std::vector<Segment> segments(const ParagraphItem& p);

  // The segments of the paragraph's first `maxBytes` bytes of run text, a
  // tab or a picture counting kBoxBytes (a box costs more to lay out and
  // draw than a letter), cut at a character boundary; `cut` tells whether
  // anything was left out.
  static std::vector<Segment> segments(const ParagraphItem& p, std::size_t maxBytes, bool& cut);
  static constexpr std::size_t kBoxBytes = 16;

  // The tab widths for the paragraph laid out in `width` points; empty when
  // it has no tab.
  Result layout(const ParagraphItem& p, const std::vector<Segment>& segments, double width);

  // The width of what follows the tab segment at `after` up to the next
  // tab, and the width up to the first "." in it (`full` when there is none).
  FollowingWidth followingWidth(const std::vector<Segment>& segments, std::size_t after);

  // The paragraph's own font: its first run with the smallest size, or the
  // default run when it has none.
  static const TextRun& baseRun(const ParagraphItem& p);

  // The list marker's face: family, size, weight, slant and colour of the
  // first run that has text or a picture (else the first run, else the
  // default run), nothing else.
  static TextRun markerRun(const ParagraphItem& p);

  // The marker box's width, at least 15.5 points; it ends where the first
  // line's text starts.
  double markerWidth(std::string_view marker, const TextRun& markerRun);

  // Sub- and superscript text is set at 0.8 of the run's size.
  static double displaySize(const TextRun& run);

  // The advance of `text` in the run's face at its display size.
  double measure(std::string_view text, const TextRun& run);

  // The tab rule of the editor's text views: in a centred or right-aligned
  // paragraph a tab advances the pen by kAlignedTabAdvance points, whatever
  // the stops; in left and justified paragraphs it goes to the next stop
  // (or the 72-point grid without stops). Nothing for the latter.
  static std::optional<double> fixedTabAdvance(TextAlignment alignment);
  static constexpr double kAlignedTabAdvance = 10;

  // The index of the first stop (sorted by position) beyond the pen at
  // `x`, found by bisection; stops.size() when there is none.
  static std::size_t firstStopBeyond(const TabStopList& stops, double x);

  // A piece overflows the line when it ends beyond its width plus this.
  static constexpr double kTolerance = 0.01;

 private:
  double tabTarget(const ParagraphItem& p, const std::vector<Segment>& segments, std::size_t index, double x);

  FontBook& fonts_;
  std::size_t* measuredBytesLeft_ = nullptr;
};

}  // namespace maravel
