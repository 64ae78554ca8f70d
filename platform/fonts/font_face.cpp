// Faces over HarfBuzz: advances shaped with kerning and ligatures off.
#include "platform/fonts/font_face.hpp"

#include <hb-ot.h>
#include <hb.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "platform/fonts/font_config.hpp"
#include "platform/fonts/font_file.hpp"
#include "platform/text/byte_words.hpp"

namespace maravel::fonts {
namespace {

// Kerning and every ligature feature off, as the page sets its text.
constexpr hb_feature_t kFeaturesOff[] = {
    {HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    {HB_TAG('l', 'i', 'g', 'a'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    {HB_TAG('c', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    {HB_TAG('d', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    {HB_TAG('h', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    {HB_TAG('c', 'a', 'l', 't'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
};

// Texts are shaped in pieces of at most this many bytes (HarfBuzz takes an
// int length); a piece ends on a code-point boundary.
constexpr std::size_t kPieceBytes = std::size_t{1} << 20;

// A piece also ends before the mark that would make more than
// this many follow one another: HarfBuzz places each mark by searching back
// over the marks before it, so that one letter under 300,000 marks costs
// minutes. Real text never stacks more than a few; Unicode's stream-safe
// text format allows 30.
constexpr std::size_t kMaxMarkRun = 30;

// The code point at `at` and its length in bytes; a malformed sequence is
// one byte of U+FFFD.
std::pair<char32_t, std::size_t> codePointAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(text[i])); };
  const char32_t lead = byte(at);
  const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 1;
  if (length == 1) return {lead < 0x80 ? lead : 0xFFFD, 1};
  if (at + length > text.size()) return {0xFFFD, 1};
  char32_t code = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return {0xFFFD, 1};
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  return {code, length};
}

bool isMark(hb_unicode_funcs_t* unicode, char32_t code) {
  // Nothing before the combining diacritical marks (U+0300) is a mark or
  // combines: Turkish letters are answered without asking HarfBuzz.
  if (code < 0x300) return false;
  switch (hb_unicode_general_category(unicode, code)) {
    case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK:
      return true;
    default:
      return hb_unicode_combining_class(unicode, code) != HB_UNICODE_COMBINING_CLASS_NOT_REORDERED;
  }
}

std::size_t pieceLength(std::string_view text) {
  std::size_t end = text.size();
  if (end > kPieceBytes) {
    end = kPieceBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    if (end == 0) end = kPieceBytes;
  }
  hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
  std::size_t marks = 0;
  for (std::size_t at = 0; at < end;) {
    if (static_cast<unsigned char>(text[at]) < 0x80) {
      // ASCII is no mark: its stretches are passed over eight bytes at a time.
      marks = 0;
      at += text::asciiPrefix(text.substr(at, end - at));
      continue;
    }
    // Two bytes that lead below U+0300 (Turkish letters among them) are
    // no mark either.
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead >= 0xC0 && lead < 0xCC && at + 1 < text.size() &&
        (static_cast<unsigned char>(text[at + 1]) & 0xC0) == 0x80) {
      marks = 0;
      at += 2;
      continue;
    }
    const auto [code, length] = codePointAt(text, at);
    if (!isMark(unicode, code)) {
      marks = 0;
    } else if (++marks > kMaxMarkRun && at > 0) {
      return at;
    }
    at += length;
  }
  return end;
}

class EmptyFace final : public FontFace {
 public:
  double advance(std::string_view) const override { return 0; }
  std::vector<ShapedGlyph> shape(std::string_view) const override { return {}; }
  std::vector<double> advancesBefore(std::string_view text) const override {
    return std::vector<double>(text.size() + 1, 0.0);
  }
  FaceMetrics metrics() const override { return {}; }
  std::optional<FaceFile> file() const override { return std::nullopt; }
};

// Shapes one piece in `buffer` with the features off, in the script and
// direction of `properties` or, without them, those HarfBuzz guesses from
// the piece, and hands each glyph's index, advance (in font units) and
// cluster to `visit`.
template <typename Visit>
void shapeIn(hb_buffer_t* buffer, hb_font_t* font, std::string_view piece,
             const hb_segment_properties_t* properties, Visit&& visit) {
  hb_buffer_clear_contents(buffer);
  const int length = static_cast<int>(piece.size());
  hb_buffer_add_utf8(buffer, piece.data(), length, 0, length);
  if (properties != nullptr)
    hb_buffer_set_segment_properties(buffer, properties);
  else
    hb_buffer_guess_segment_properties(buffer);
  hb_shape(font, buffer, kFeaturesOff, std::size(kFeaturesOff));
  unsigned count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
  for (unsigned i = 0; i < count; ++i) visit(infos[i].codepoint, positions[i].x_advance, infos[i].cluster);
}

template <typename Visit>
void shapePiece(hb_font_t* font, std::string_view piece, Visit&& visit) {
  hb_buffer_t* buffer = hb_buffer_create();
  shapeIn(buffer, font, piece, nullptr, visit);
  hb_buffer_destroy(buffer);
}

// Shapes one piece in the script HarfBuzz guesses for it and `direction`.
template <typename Visit>
void shapePieceIn(hb_font_t* font, std::string_view piece, hb_direction_t direction, Visit&& visit) {
  hb_buffer_t* buffer = hb_buffer_create();
  const int length = static_cast<int>(piece.size());
  hb_buffer_add_utf8(buffer, piece.data(), length, 0, length);
  hb_buffer_guess_segment_properties(buffer);
  hb_segment_properties_t properties;
  hb_buffer_get_segment_properties(buffer, &properties);
  properties.direction = direction;
  shapeIn(buffer, font, piece, &properties, visit);
  hb_buffer_destroy(buffer);
}

// Scripts whose shaping keeps to each word: no joining and no reordering,
// so a word shaped alone (in the script of the text around it) gives the
// glyphs and advances it has in the text.
bool keepsToWords(hb_script_t script) {
  return script == HB_SCRIPT_INVALID || script == HB_SCRIPT_LATIN || script == HB_SCRIPT_CYRILLIC ||
         script == HB_SCRIPT_GREEK;
}

// The end of the word that starts at `at`: past the spaces after it, where
// a printable ASCII character follows, so that no cluster and no lookup of
// those scripts reaches across.
std::size_t wordEnd(std::string_view text, std::size_t at) {
  while (at < text.size()) {
    if (text[at] != ' ') {
      ++at;
      continue;
    }
    while (at < text.size() && text[at] == ' ') ++at;
    if (at < text.size() && text[at] > ' ' && text[at] < 0x7F) return at;
  }
  return at;
}

// The words one font file shaped, in font units, for its faces of every
// size: a document sets the same words again and again. All files of one
// FaceCache keep at most kHeldBytes of words; later words are shaped each
// time, as are words longer than kMaxWordBytes.
struct ShapedWords {
  static constexpr std::size_t kHeldBytes = std::size_t{8} << 20;
  static constexpr std::size_t kMaxWordBytes = 64;
  static constexpr std::size_t kEntryBytes = 96;  // a map node, its key and its vector

  struct Glyph {
    std::uint32_t glyph = 0;
    std::int32_t advance = 0;
    std::uint32_t cluster = 0;
  };

  explicit ShapedWords(std::shared_ptr<std::size_t> heldBytes) : held(std::move(heldBytes)) {}
  ~ShapedWords() { hb_buffer_destroy(buffer); }
  ShapedWords(const ShapedWords&) = delete;
  ShapedWords& operator=(const ShapedWords&) = delete;

  // Hands the index, advance and cluster of each glyph of `word` to `visit`.
  template <typename Visit>
  void visit(hb_font_t* font, const hb_segment_properties_t& properties, std::string_view word,
             Visit&& visit) {
    if (word.size() > kMaxWordBytes) return shapeIn(buffer, font, word, &properties, visit);
    // The script decides the shaping of a word; the direction follows from
    // it and the language is the process's. A word is looked up as it
    // stands in the text, without a key made of it.
    const std::uint64_t hash = hashOf(properties.script, word);
    std::size_t slot = find(hash, properties.script, word);
    if (slots[slot].keyLength == 0) {
      const std::size_t first = glyphs.size();
      shapeIn(buffer, font, word, &properties,
              [&](std::uint32_t glyph, std::int32_t advance, std::uint32_t cluster) {
                glyphs.push_back({glyph, advance, cluster});
              });
      const std::size_t count = glyphs.size() - first;
      const std::size_t bytes = kEntryBytes + sizeof properties.script + word.size() + count * sizeof(Glyph);
      if (*held + bytes > kHeldBytes || glyphs.size() > UINT32_MAX ||
          keys.size() + word.size() > UINT32_MAX) {
        for (std::size_t i = first; i < glyphs.size(); ++i)
          visit(glyphs[i].glyph, glyphs[i].advance, glyphs[i].cluster);
        glyphs.resize(first);
        return;
      }
      *held += bytes;
      slots[slot] = {hash,
                     properties.script,
                     static_cast<std::uint32_t>(keys.size()),
                     static_cast<std::uint32_t>(word.size()),
                     static_cast<std::uint32_t>(first),
                     static_cast<std::uint32_t>(count)};
      keys.append(word);
      if (++used * 2 > slots.size()) grow();
      for (std::size_t i = first; i < glyphs.size(); ++i)
        visit(glyphs[i].glyph, glyphs[i].advance, glyphs[i].cluster);
      return;
    }
    const Slot& found = slots[slot];
    for (std::size_t i = found.glyphAt; i < found.glyphAt + found.glyphCount; ++i)
      visit(glyphs[i].glyph, glyphs[i].advance, glyphs[i].cluster);
  }

  // The words kept in one open-addressed table whose keys and glyphs lie
  // in two arrays: a look-up a word costs a hash of its few bytes and, mostly,
  // one comparison, where a map of strings followed a node and its vector.
  struct Slot {
    std::uint64_t hash = 0;
    hb_script_t script = HB_SCRIPT_INVALID;
    std::uint32_t keyAt = 0;
    std::uint32_t keyLength = 0;  // 0: empty (a word is never empty)
    std::uint32_t glyphAt = 0;
    std::uint32_t glyphCount = 0;
  };

  static std::uint64_t hashOf(hb_script_t script, std::string_view word) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
    std::uint64_t hash = (static_cast<std::uint64_t>(script) ^ word.size()) * kMultiplier;
    std::size_t at = 0;
    for (; at + 8 <= word.size(); at += 8) hash = (hash ^ text::wordAt(word.data() + at)) * kMultiplier;
    std::uint64_t tail = 0;
    for (std::size_t shift = 0; at < word.size(); ++at, shift += 8)
      tail |= std::uint64_t{static_cast<unsigned char>(word[at])} << shift;
    hash = (hash ^ tail) * kMultiplier;
    return hash ^ (hash >> 29);
  }

  // The slot of the word, or the empty slot where it belongs.
  std::size_t find(std::uint64_t hash, hb_script_t script, std::string_view word) const {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      const Slot& entry = slots[slot];
      if (entry.keyLength == 0) return slot;
      if (entry.hash == hash && entry.script == script && entry.keyLength == word.size() &&
          std::string_view(keys).substr(entry.keyAt, entry.keyLength) == word)
        return slot;
    }
  }

  void grow() {
    std::vector<Slot> old(slots.size() * 2);
    old.swap(slots);
    const std::size_t mask = slots.size() - 1;
    for (const Slot& entry : old) {
      if (entry.keyLength == 0) continue;
      std::size_t slot = entry.hash & mask;
      while (slots[slot].keyLength != 0) slot = (slot + 1) & mask;
      slots[slot] = entry;
    }
  }

  std::vector<Slot> slots = std::vector<Slot>(1024);
  std::size_t used = 0;
  std::string keys;
  std::vector<Glyph> glyphs;
  std::shared_ptr<std::size_t> held;
  hb_buffer_t* buffer = hb_buffer_create();
};

class ShapedFace final : public FontFace {
 public:
  ShapedFace(hb_font_t* font, std::shared_ptr<ShapedWords> words, double size, FaceFile file)
      : font_(hb_font_reference(font)), words_(std::move(words)), size_(size), file_(std::move(file)) {
    const unsigned upem = hb_face_get_upem(hb_font_get_face(font));
    unitsPerEm_ = upem == 0 ? 1000 : upem;
  }
  ~ShapedFace() override { hb_font_destroy(font_); }
  ShapedFace(const ShapedFace&) = delete;
  ShapedFace& operator=(const ShapedFace&) = delete;

  double advance(std::string_view text) const override {
    std::int64_t units = 0;
    if (visitWords(text, [&](std::uint32_t, std::int32_t advance, std::uint32_t) { units += advance; }))
      return static_cast<double>(units) * size_ / unitsPerEm_;
    while (!text.empty()) {
      const std::size_t length = pieceLength(text);
      units += shapedUnits(text.substr(0, length));
      text.remove_prefix(length);
    }
    return static_cast<double>(units) * size_ / unitsPerEm_;
  }

  // Text in the scripts that keep to words is put together from the font
  // file's shaped words: the same glyphs in the same order as the text
  // shaped whole. Advances in font units add up the same in any grouping.
  std::vector<ShapedGlyph> shape(std::string_view text) const override {
    std::vector<ShapedGlyph> glyphs;
    glyphs.reserve(text.size());
    const double scale = size_ / unitsPerEm_;
    const auto from = [&glyphs, scale](std::size_t offset) {
      return [&glyphs, scale, offset](std::uint32_t glyph, std::int32_t advance, std::uint32_t cluster) {
        glyphs.push_back({glyph, advance * scale, static_cast<std::uint32_t>(offset) + cluster});
      };
    };
    if (visitWords(text, from(0))) return glyphs;
    std::size_t offset = 0;
    while (!text.empty()) {
      const std::size_t length = pieceLength(text);
      shapePiece(font_, text.substr(0, length), from(offset));
      offset += length;
      text.remove_prefix(length);
    }
    return glyphs;
  }

  // Pieces follow one another in the direction: right to left, the last
  // piece's glyphs come first.
  std::vector<ShapedGlyph> shapeInDirection(std::string_view text, TextDirection direction) const override {
    if (direction == TextDirection::fromText) return shape(text);
    const bool rightToLeft = direction == TextDirection::rightToLeft;
    std::vector<std::vector<ShapedGlyph>> pieces;
    const double scale = size_ / unitsPerEm_;
    for (std::size_t offset = 0; offset < text.size();) {
      const std::size_t length = pieceLength(text.substr(offset));
      std::vector<ShapedGlyph>& glyphs = pieces.emplace_back();
      shapePieceIn(font_, text.substr(offset, length), rightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR,
                   [&](std::uint32_t glyph, std::int32_t advance, std::uint32_t cluster) {
                     glyphs.push_back({glyph, advance * scale, static_cast<std::uint32_t>(offset) + cluster});
                   });
      offset += length;
    }
    if (rightToLeft) std::reverse(pieces.begin(), pieces.end());
    std::vector<ShapedGlyph> glyphs;
    for (const std::vector<ShapedGlyph>& piece : pieces)
      glyphs.insert(glyphs.end(), piece.begin(), piece.end());
    return glyphs;
  }

  std::vector<double> advancesBefore(std::string_view text) const override {
    std::vector<double> before(text.size() + 1, 0.0);
    for (const ShapedGlyph& glyph : shape(text))
      if (glyph.cluster < text.size()) before[glyph.cluster + 1] += glyph.advance;
    for (std::size_t i = 1; i < before.size(); ++i) before[i] += before[i - 1];
    return before;
  }

  // Asked for every text the layout measures; the face's size never
  // changes, so they are worked out once.
  FaceMetrics metrics() const override {
    if (!metrics_) metrics_ = measureMetrics();
    return *metrics_;
  }

  std::optional<FaceFile> file() const override { return file_; }

 private:
  FaceMetrics measureMetrics() const {
    hb_font_extents_t extents{};
    hb_font_get_h_extents(font_, &extents);
    FaceMetrics metrics;
    const double scale = size_ / unitsPerEm_;
    metrics.ascent = extents.ascender * scale;
    metrics.descent = -extents.descender * scale;
    metrics.lineGap = extents.line_gap * scale;
    metrics.underlineOffset = -position(HB_OT_METRICS_TAG_UNDERLINE_OFFSET, -0.1 * unitsPerEm_) * scale;
    metrics.underlineThickness = position(HB_OT_METRICS_TAG_UNDERLINE_SIZE, 0.05 * unitsPerEm_) * scale;
    metrics.strikeoutOffset = -position(HB_OT_METRICS_TAG_STRIKEOUT_OFFSET, 0.3 * unitsPerEm_) * scale;
    metrics.strikeoutThickness = position(HB_OT_METRICS_TAG_STRIKEOUT_SIZE, 0.05 * unitsPerEm_) * scale;
    return metrics;
  }

  std::int64_t shapedUnits(std::string_view piece) const {
    std::int64_t units = 0;
    shapePiece(font_, piece, [&](std::uint32_t, std::int32_t advance, std::uint32_t) { units += advance; });
    return units;
  }

  // Hands each glyph of `text` (index, advance, byte offset of its cluster in
  // `text`) to `visit` from the font file's shaped words; false, visiting
  // nothing, unless the text is one piece in a script that keeps to words.
  template <typename Visit>
  bool visitWords(std::string_view text, Visit&& visit) const {
    hb_segment_properties_t properties;
    if (text.empty() || pieceLength(text) != text.size() || !wordsShapeAlike(text, properties)) return false;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = wordEnd(text, at);
      const auto offset = static_cast<std::uint32_t>(at);
      words_->visit(font_, properties, text.substr(at, end - at),
                    [&](std::uint32_t glyph, std::int32_t advance, std::uint32_t cluster) {
                      visit(glyph, advance, offset + cluster);
                    });
      at = end;
    }
    return true;
  }

  // Whether `text` (one piece) is in a script that keeps to words; then
  // `properties` are those its shaping as a whole takes.
  bool wordsShapeAlike(std::string_view text, hb_segment_properties_t& properties) const {
    // HarfBuzz takes the script of the first letter that has one; when that
    // is an ASCII letter it is Latin, without adding the text to a buffer.
    for (const char c : text) {
      if (static_cast<unsigned char>(c) >= 0x80) break;
      if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') {
        properties = HB_SEGMENT_PROPERTIES_DEFAULT;
        properties.direction = HB_DIRECTION_LTR;
        properties.script = HB_SCRIPT_LATIN;
        properties.language = hb_language_get_default();
        return true;
      }
    }
    hb_buffer_t* buffer = words_->buffer;
    hb_buffer_clear_contents(buffer);
    hb_buffer_add_utf8(buffer, text.data(), static_cast<int>(text.size()), 0, static_cast<int>(text.size()));
    hb_buffer_guess_segment_properties(buffer);
    hb_buffer_get_segment_properties(buffer, &properties);
    return keepsToWords(properties.script);
  }

  // A metric in font units; `fallback` when the font does not give it.
  double position(hb_ot_metrics_tag_t tag, double fallback) const {
    hb_position_t value = 0;
    if (!hb_ot_metrics_get_position(font_, tag, &value) ||
        (value == 0 && tag != HB_OT_METRICS_TAG_UNDERLINE_OFFSET))
      return fallback;
    return value;
  }

  hb_font_t* font_;
  std::shared_ptr<ShapedWords> words_;
  double size_;
  unsigned unitsPerEm_;
  FaceFile file_;
  mutable std::optional<FaceMetrics> metrics_;
};

}  // namespace

// One HarfBuzz font per (file, index), at a scale of one unit per font unit;
// faces of any size share it and scale the sum.
struct FaceCache::Files {
  std::map<std::pair<std::string, int>, hb_font_t*> fonts;
  // The file matched for a family and its traits; the size does not change
  // the match, so a run of many sizes costs one match.
  std::map<std::tuple<std::string, bool, bool>, std::optional<FaceFile>> matches;
  // The plain face of each family, which every trait of the family starts from.
  std::map<std::string, std::optional<FaceMatch>> plainMatches;
  std::map<std::tuple<char32_t, bool, bool>, std::optional<FaceFile>> characterMatches;
  // The files the character lookups found, each once, and how many lookups
  // fontconfig answered.
  std::vector<FaceFile> characterFiles;
  std::size_t characterLookups = 0;
  std::map<hb_font_t*, std::shared_ptr<ShapedWords>> words;
  std::shared_ptr<std::size_t> wordBytes = std::make_shared<std::size_t>(0);

  Files() = default;
  Files(const Files&) = delete;
  Files& operator=(const Files&) = delete;
  ~Files() {
    for (auto& entry : fonts) hb_font_destroy(entry.second);
  }

  // Nothing when the file cannot be read as a font.
  hb_font_t* font(const FaceFile& file) {
    auto key = std::make_pair(file.path, file.index);
    if (auto found = fonts.find(key); found != fonts.end()) return found->second;
    // A file that is no font is tried once.
    hb_font_t* font = load(file);
    fonts.emplace(std::move(key), font);
    return font;
  }

  std::shared_ptr<ShapedWords>& wordsOf(hb_font_t* font) {
    std::shared_ptr<ShapedWords>& shaped = words[font];
    if (!shaped) shaped = std::make_shared<ShapedWords>(wordBytes);
    return shaped;
  }

  // A file with a glyph for the character: fontconfig's answer for the
  // first kMaxCharacterLookups characters, then the first file found so far
  // that has one.
  std::optional<FaceFile> characterFile(char32_t character, bool bold, bool italic) {
    if (characterLookups < FaceCache::kMaxCharacterLookups) {
      ++characterLookups;
      std::optional<FaceFile> file = characterFaceFile(character, bold, italic);
      if (file && std::find_if(characterFiles.begin(), characterFiles.end(), [&](const FaceFile& known) {
                    return known.path == file->path && known.index == file->index;
                  }) == characterFiles.end())
        characterFiles.push_back(*file);
      return file;
    }
    for (const FaceFile& known : characterFiles) {
      hb_codepoint_t glyph = 0;
      hb_font_t* loaded = font(known);
      if (loaded != nullptr && hb_font_get_nominal_glyph(loaded, character, &glyph)) return known;
    }
    return std::nullopt;
  }

  static hb_font_t* load(const FaceFile& file) {
    hb_blob_t* blob = readFontFile(file.path);
    if (blob == nullptr) return nullptr;
    hb_face_t* face = hb_face_create(blob, static_cast<unsigned>(std::max(file.index, 0)));
    hb_blob_destroy(blob);
    if (hb_face_get_glyph_count(face) == 0) {
      hb_face_destroy(face);
      return nullptr;
    }
    hb_font_t* font = hb_font_create(face);
    hb_face_destroy(face);
    const unsigned upem = hb_face_get_upem(hb_font_get_face(font));
    hb_font_set_scale(font, static_cast<int>(upem), static_cast<int>(upem));
    return font;
  }
};

FaceCache::FaceCache() : files_(std::make_shared<Files>()) {}
FaceCache::~FaceCache() = default;

std::unique_ptr<FontFace> FaceCache::createFace(const std::string& family, double size, bool bold,
                                                bool italic) {
  auto key = std::make_tuple(family, bold, italic);
  auto match = files_->matches.find(key);
  if (match == files_->matches.end()) {
    const auto matched = [&] {
      auto plain = files_->plainMatches.find(family);
      if (plain == files_->plainMatches.end())
        plain = files_->plainMatches.emplace(family, matchPlainFace(family)).first;
      return matchFaceFile(family, bold, italic, plain->second);
    };
    std::optional<FaceFile> file = matched();
    // A file that is no font was named by answers kept from an earlier
    // process (fontconfig names only fonts it has read): they are asked of
    // fontconfig afresh.
    if (file && files_->font(*file) == nullptr) {
      distrustKeptAnswers();
      files_->plainMatches.erase(family);
      file = matched();
    }
    match = files_->matches.emplace(std::move(key), std::move(file)).first;
  }
  const std::optional<FaceFile>& file = match->second;
  hb_font_t* font = file ? files_->font(*file) : nullptr;
  if (font == nullptr) return std::make_unique<EmptyFace>();
  return std::make_unique<ShapedFace>(font, files_->wordsOf(font), size, *file);
}

std::unique_ptr<FontFace> FaceCache::createFaceForCharacter(char32_t character, double size, bool bold,
                                                            bool italic) {
  auto key = std::make_tuple(character, bold, italic);
  auto match = files_->characterMatches.find(key);
  if (match == files_->characterMatches.end()) {
    std::optional<FaceFile> file = files_->characterFile(character, bold, italic);
    if (file && files_->font(*file) == nullptr) {
      distrustKeptAnswers();
      file = files_->characterFile(character, bold, italic);
    }
    match = files_->characterMatches.emplace(std::move(key), std::move(file)).first;
  }
  const std::optional<FaceFile>& file = match->second;
  hb_font_t* font = file ? files_->font(*file) : nullptr;
  if (font == nullptr) return std::make_unique<EmptyFace>();
  return std::make_unique<ShapedFace>(font, files_->wordsOf(font), size, *file);
}

std::unique_ptr<FontFace> createFace(const std::string& family, double size, bool bold, bool italic) {
  FaceCache cache;
  return cache.createFace(family, size, bold, italic);
}

}  // namespace maravel::fonts
