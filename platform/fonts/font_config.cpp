// Family list, metric aliases and face matching over fontconfig.
#include "platform/fonts/font_config.hpp"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/fonts/font_face.hpp"

namespace maravel::fonts {
namespace {

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetDeleter {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct ObjectSetDeleter {
  void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;
using FontSet = std::unique_ptr<FcFontSet, FontSetDeleter>;
using ObjectSet = std::unique_ptr<FcObjectSet, ObjectSetDeleter>;

const FcChar8* fcString(const std::string& s) { return reinterpret_cast<const FcChar8*>(s.c_str()); }

// One configuration per process, loaded from the system's configuration
// files (the ones the browser reads too) on first use and released at exit;
// fontconfig allows queries on it from any thread. Null when it cannot load.
class ProcessConfig {
 public:
  ProcessConfig() : config_(FcInitLoadConfigAndFonts()) {}
  ~ProcessConfig() {
    if (config_ != nullptr) FcConfigDestroy(config_);
  }
  ProcessConfig(const ProcessConfig&) = delete;
  ProcessConfig& operator=(const ProcessConfig&) = delete;
  FcConfig* get() const { return config_; }

 private:
  FcConfig* config_;
};

FcConfig* config() {
  static const ProcessConfig loaded;
  return loaded.get();
}

std::optional<std::string> stringAt(const FcPattern* p, const char* object, int id) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(p, object, id, &value) != FcResultMatch || value == nullptr) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(value));
}

int integerOr(const FcPattern* p, const char* object, int fallback) {
  int value = fallback;
  return FcPatternGetInteger(p, object, 0, &value) == FcResultMatch ? value : fallback;
}

FontSet listFaces(FcPattern* filter, std::initializer_list<const char*> objects) {
  ObjectSet set(FcObjectSetCreate());
  if (!set) return nullptr;
  for (const char* object : objects) FcObjectSetAdd(set.get(), object);
  return FontSet(FcFontList(config(), filter, set.get()));
}

bool isInstalledFamily(const FcChar8* name) {
  Pattern filter(FcPatternCreate());
  if (!filter) return false;
  FcPatternAddString(filter.get(), FC_FAMILY, name);
  FontSet faces = listFaces(filter.get(), {FC_FAMILY});
  return faces && faces->nfont > 0;
}

// The families the configuration adds to a request for `family`, other than
// itself; with `strongOnly`, those it binds strongly: the metric-compatible
// aliases.
std::vector<std::string> aliases(const std::string& family, bool strongOnly) {
  std::vector<std::string> found;
  Pattern pattern(FcPatternCreate());
  if (!pattern) return found;
  FcPatternAddString(pattern.get(), FC_FAMILY, fcString(family));
  if (FcConfigSubstitute(config(), pattern.get(), FcMatchPattern) != FcTrue) return found;
  for (int id = 0;; ++id) {
    FcValue value;
    FcValueBinding binding = FcValueBindingWeak;
    if (FcPatternGetWithBinding(pattern.get(), FC_FAMILY, id, &value, &binding) != FcResultMatch) break;
    if ((strongOnly && binding != FcValueBindingStrong) || value.type != FcTypeString) continue;
    if (FcStrCmpIgnoreCase(value.u.s, fcString(family)) == 0) continue;
    found.emplace_back(reinterpret_cast<const char*>(value.u.s));
  }
  return found;
}

// The configuration's best face for the request, with the traits asked for.
Pattern bestMatch(Pattern pattern, bool bold, bool italic) {
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  if (FcConfigSubstitute(config(), pattern.get(), FcMatchPattern) != FcTrue) return nullptr;
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  return Pattern(FcFontMatch(config(), pattern.get(), &result));
}

std::optional<FaceMatch> match(const std::string& family, bool bold, bool italic) {
  Pattern pattern(FcPatternCreate());
  if (!pattern) return std::nullopt;
  FcPatternAddString(pattern.get(), FC_FAMILY, fcString(family));
  Pattern found = bestMatch(std::move(pattern), bold, italic);
  if (!found) return std::nullopt;
  std::optional<std::string> path = stringAt(found.get(), FC_FILE, 0);
  if (!path) return std::nullopt;
  return FaceMatch{{*path, integerOr(found.get(), FC_INDEX, 0)},
                   stringAt(found.get(), FC_FAMILY, 0).value_or("")};
}

// The weight and slant the face really has. A match may carry a synthetic
// slant or emboldening added by the configuration; the listing does not.
bool hasTraits(const FaceFile& file, bool bold, bool italic) {
  Pattern filter(FcPatternCreate());
  if (!filter) return false;
  FcPatternAddString(filter.get(), FC_FILE, fcString(file.path));
  FcPatternAddInteger(filter.get(), FC_INDEX, file.index);
  FontSet faces = listFaces(filter.get(), {FC_WEIGHT, FC_SLANT});
  if (!faces || faces->nfont < 1) return false;
  const int weight = integerOr(faces->fonts[0], FC_WEIGHT, FC_WEIGHT_REGULAR);
  const int slant = integerOr(faces->fonts[0], FC_SLANT, FC_SLANT_ROMAN);
  return (weight >= FC_WEIGHT_DEMIBOLD) == bold && (slant != FC_SLANT_ROMAN) == italic;
}

}  // namespace

bool shareConfiguration() {
  FcConfig* loaded = config();
  return loaded != nullptr && FcConfigSetCurrent(loaded) == FcTrue;
}

std::optional<FaceFile> characterFaceFile(char32_t character, bool bold, bool italic) {
  if (config() == nullptr) return std::nullopt;
  Pattern pattern(FcPatternCreate());
  FcCharSet* characters = FcCharSetCreate();
  if (!pattern || characters == nullptr) {
    if (characters != nullptr) FcCharSetDestroy(characters);
    return std::nullopt;
  }
  FcCharSetAddChar(characters, character);
  FcPatternAddCharSet(pattern.get(), FC_CHARSET, characters);
  FcCharSetDestroy(characters);
  Pattern found = bestMatch(std::move(pattern), bold, italic);
  FcCharSet* covered = nullptr;
  if (!found || FcPatternGetCharSet(found.get(), FC_CHARSET, 0, &covered) != FcResultMatch ||
      FcCharSetHasChar(covered, character) != FcTrue)
    return std::nullopt;
  std::optional<std::string> path = stringAt(found.get(), FC_FILE, 0);
  if (!path) return std::nullopt;
  return FaceFile{*path, integerOr(found.get(), FC_INDEX, 0)};
}

std::vector<std::string> availableFamilies() {
  std::vector<std::string> names;
  if (config() == nullptr) return names;
  Pattern all(FcPatternCreate());
  if (!all) return names;
  FontSet faces = listFaces(all.get(), {FC_FAMILY});
  if (!faces) return names;
  for (int i = 0; i < faces->nfont; ++i) {
    for (int id = 0;; ++id) {
      std::optional<std::string> name = stringAt(faces->fonts[i], FC_FAMILY, id);
      if (!name) break;
      names.push_back(std::move(*name));
    }
  }
  return names;
}

std::optional<std::string> metricCompatibleFamily(const std::string& family) {
  if (config() == nullptr || family.empty()) return std::nullopt;
  for (const std::string& alias : aliases(family, true)) {
    if (!isInstalledFamily(fcString(alias))) continue;
    // The compatible face's own aliases spell the name as the configuration does.
    for (const std::string& name : aliases(alias, false)) {
      if (FcStrCmpIgnoreCase(fcString(name), fcString(family)) == 0) return name;
    }
    return family;
  }
  return std::nullopt;
}

GenericFamily genericFamily(const std::string& family) {
  if (config() == nullptr || family.empty()) return GenericFamily::sansSerif;
  static constexpr std::pair<const char*, GenericFamily> kGenerics[] = {
      {"serif", GenericFamily::serif},
      {"sans-serif", GenericFamily::sansSerif},
      {"monospace", GenericFamily::monospace}};
  for (const std::string& name : aliases(family, false)) {
    for (const auto& [generic, kind] : kGenerics) {
      if (FcStrCmpIgnoreCase(fcString(name), reinterpret_cast<const FcChar8*>(generic)) == 0) return kind;
    }
  }
  return GenericFamily::sansSerif;
}

bool isFamilyAvailable(const std::string& family) {
  if (config() == nullptr || family.empty()) return false;
  return isInstalledFamily(fcString(family)) || metricCompatibleFamily(family).has_value();
}

std::optional<FaceMatch> matchPlainFace(const std::string& family) {
  if (config() == nullptr) return std::nullopt;
  return match(family, false, false);
}

std::optional<FaceFile> matchFaceFile(const std::string& family, bool bold, bool italic,
                                      const std::optional<FaceMatch>& plain) {
  if (config() == nullptr) return std::nullopt;
  if (!plain || (!bold && !italic)) return plain ? std::optional(plain->file) : std::nullopt;
  std::optional<FaceMatch> styled = match(family, bold, italic);
  if (styled && styled->family == plain->family && hasTraits(styled->file, bold, italic)) return styled->file;
  return plain->file;
}

}  // namespace maravel::fonts
