// Faces over HarfBuzz: advances shaped with kerning and ligatures off.
#include "platform/fonts/font_face.hpp"

#include <hb.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <tuple>
#include <utility>

#include "platform/fonts/font_config.hpp"

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

std::size_t pieceLength(std::string_view text) {
  if (text.size() <= kPieceBytes) return text.size();
  std::size_t end = kPieceBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return end == 0 ? kPieceBytes : end;
}

class EmptyFace final : public FontFace {
 public:
  double advance(std::string_view) const override { return 0; }
};

class ShapedFace final : public FontFace {
 public:
  ShapedFace(hb_font_t* font, double size) : font_(hb_font_reference(font)), size_(size) {
    const unsigned upem = hb_face_get_upem(hb_font_get_face(font));
    unitsPerEm_ = upem == 0 ? 1000 : upem;
  }
  ~ShapedFace() override { hb_font_destroy(font_); }
  ShapedFace(const ShapedFace&) = delete;
  ShapedFace& operator=(const ShapedFace&) = delete;

  double advance(std::string_view text) const override {
    std::int64_t units = 0;
    while (!text.empty()) {
      const std::size_t length = pieceLength(text);
      units += shapedUnits(text.substr(0, length));
      text.remove_prefix(length);
    }
    return static_cast<double>(units) * size_ / unitsPerEm_;
  }

 private:
  std::int64_t shapedUnits(std::string_view piece) const {
    hb_buffer_t* buffer = hb_buffer_create();
    const int length = static_cast<int>(piece.size());
    hb_buffer_add_utf8(buffer, piece.data(), length, 0, length);
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(font_, buffer, kFeaturesOff, std::size(kFeaturesOff));
    unsigned count = 0;
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
    std::int64_t units = 0;
    for (unsigned i = 0; i < count; ++i) units += positions[i].x_advance;
    hb_buffer_destroy(buffer);
    return units;
  }

  hb_font_t* font_;
  double size_;
  unsigned unitsPerEm_;
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
    hb_font_t* font = load(file);
    if (font != nullptr) fonts.emplace(std::move(key), font);
    return font;
  }

  static hb_font_t* load(const FaceFile& file) {
    hb_blob_t* blob = hb_blob_create_from_file_or_fail(file.path.c_str());
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
    auto plain = files_->plainMatches.find(family);
    if (plain == files_->plainMatches.end())
      plain = files_->plainMatches.emplace(family, matchPlainFace(family)).first;
    match = files_->matches.emplace(std::move(key), matchFaceFile(family, bold, italic, plain->second)).first;
  }
  const std::optional<FaceFile>& file = match->second;
  hb_font_t* font = file ? files_->font(*file) : nullptr;
  if (font == nullptr) return std::make_unique<EmptyFace>();
  return std::make_unique<ShapedFace>(font, size);
}

std::unique_ptr<FontFace> createFace(const std::string& family, double size, bool bold, bool italic) {
  FaceCache cache;
  return cache.createFace(family, size, bold, italic);
}

}  // namespace maravel::fonts
