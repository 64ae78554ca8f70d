// Installed font families and text advances, over fontconfig and HarfBuzz.
//
// The family list and the face matching come from fontconfig, the same
// configuration the browser that draws the page uses, so a family resolves to
// the same font file here and there. Widths come from HarfBuzz with kerning
// and every ligature feature switched off, the way the page draws its text.
//
// Every function is safe on any thread; a FaceCache and the faces it makes
// belong to one thread. Nothing here throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maravel::fonts {

// One face inside one font file.
struct FaceFile {
  std::string path;
  int index = 0;
};

// Vertical metrics of a face at its size, in points. Ascent and descent are
// the distances above and below the baseline that the browser's "normal"
// line height adds up with the line gap (OS/2 typographic metrics when the
// font asks for them, else the horizontal header's); the decoration
// offsets are below the baseline (negative above it), to the line's centre.
struct FaceMetrics {
  double ascent = 0;
  double descent = 0;
  double lineGap = 0;
  double underlineOffset = 0;
  double underlineThickness = 0;
  double strikeoutOffset = 0;
  double strikeoutThickness = 0;
};

// One glyph of shaped text: its index in the font, its advance in points and
// the byte offset in the text of the character it starts from.
struct ShapedGlyph {
  std::uint32_t glyph = 0;
  double advance = 0;
  std::uint32_t cluster = 0;
};

// The direction text is shaped in: the one HarfBuzz guesses from the text
// (its first letter's script), or the one the bidirectional algorithm gave
// the text's level.
enum class TextDirection { fromText, leftToRight, rightToLeft };

// One face of one family at one size. Measures and shapes text with kerning
// and all ligatures off.
class FontFace {
 public:
  virtual ~FontFace() = default;
  // Sum of the advances of `text` (UTF-8), in points. Invalid UTF-8 measures
  // as U+FFFD; a face without a font file measures 0.
  virtual double advance(std::string_view text) const = 0;
  // The glyphs of `text` left to right with their advances, whose sum is
  // advance(text); empty for a face without a font file.
  virtual std::vector<ShapedGlyph> shape(std::string_view text) const = 0;
  // The glyphs of `text` shaped in `direction`, in the order they are drawn
  // from left to right: right to left, the clusters descend.
  virtual std::vector<ShapedGlyph> shapeInDirection(std::string_view text, TextDirection direction) const {
    return direction == TextDirection::fromText ? shape(text) : std::vector<ShapedGlyph>{};
  }
  // The advance before each byte offset of `text`, text.size() + 1 values:
  // shape(text)'s advances added up in glyph order, each glyph's at the
  // offset after its cluster's first byte, so that the last is the whole
  // width. Bit for bit the same sums; words met before in the face's font
  // file (at any size) are not shaped again.
  virtual std::vector<double> advancesBefore(std::string_view text) const = 0;
  // All zero for a face without a font file.
  virtual FaceMetrics metrics() const = 0;
  // The font file the face is drawn from; nothing for a face without one.
  virtual std::optional<FaceFile> file() const = 0;
};

// Makes the configuration this layer reads fontconfig's current one, so that
// a drawing library asking fontconfig for its configuration (pango) shares it
// instead of loading the files a second time. For programs that draw: call
// before the first drawing. False when there is no configuration. The
// current configuration then lives until the process ends.
bool shareConfiguration();

// Keeps what fontconfig answers below (families, metric-compatible names,
// the file for a family and style or for a character) in a file in the
// user's cache folder, for the next process of this program, so that a short
// command does not parse fontconfig's configuration each time. The file is
// trusted only while fontconfig's configuration files, font folders and the
// environment it reads stay as they were. Names fontconfig does not know are
// never written down. For short-lived commands: call at the start, before
// any font is asked for; without it, answers live as long as the process.
void keepAnswersBetweenProcesses();

// Every family name fontconfig knows, in its listing order. A face with
// several family names (a "DejaVu Sans" that is also "DejaVu Sans Condensed")
// contributes all of them. Empty when fontconfig cannot be read.
std::vector<std::string> availableFamilies();

// The family's name when fontconfig answers `family` with an installed face
// of the same metrics: a strongly bound alias of the name (the metric aliases
// map "Times New Roman" to "Liberation Serif" and "Tinos", "Calibri" to
// "Carlito") that is an installed family. The name is spelt as the
// configuration spells it ("arial" gives "Arial"), else as asked. Generic
// fallbacks such as "DejaVu Sans" are bound weakly and do not count; nothing
// for them, for "" and for names without such an alias.
std::optional<std::string> metricCompatibleFamily(const std::string& family);

// The generic family fontconfig's configuration files a family name under:
// the first of "serif", "sans-serif" and "monospace" it adds when asked for
// the name ("serif" for "Georgia", "monospace" for "Consolas"); sansSerif
// for names it knows nothing about, and when it cannot be read.
enum class GenericFamily { sansSerif, serif, monospace };
GenericFamily genericFamily(const std::string& family);

// Whether text set in `family` is drawn in that family or in a
// metric-compatible face of it (not in a generic fallback).
bool isFamilyAvailable(const std::string& family);

// Makes faces and shares the parsed font files between them: every face of
// one (file, index) pair uses one HarfBuzz face, whatever its size.
class FaceCache {
 public:
  FaceCache();
  ~FaceCache();
  FaceCache(const FaceCache&) = delete;
  FaceCache& operator=(const FaceCache&) = delete;

  // The face fontconfig matches for `family` at `size` points. With `bold`
  // and/or `italic`, the family's face with those traits, asked for in one
  // request; when the family has no such face, its plain face. Never null: a
  // family that matches no font file gives a face that measures 0.
  std::unique_ptr<FontFace> createFace(const std::string& family, double size, bool bold, bool italic);

  // A face that has a glyph for `character`, for text whose own face lacks
  // it (the browser falls back the same way); a face that measures 0 when no
  // installed face has one. Each character is looked up once; fontconfig is
  // asked for the first kMaxCharacterLookups characters (and traits) of a
  // cache, each a scan of every installed font, and later characters get
  // the first face found so far that has them, or the face that measures 0.
  std::unique_ptr<FontFace> createFaceForCharacter(char32_t character, double size, bool bold, bool italic);
  static constexpr std::size_t kMaxCharacterLookups = 1024;

 private:
  struct Files;
  std::shared_ptr<Files> files_;
};

// A face made with a cache of its own.
std::unique_ptr<FontFace> createFace(const std::string& family, double size, bool bold, bool italic);

}  // namespace maravel::fonts
