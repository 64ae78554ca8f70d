// Family list, metric aliases and face matching over fontconfig.
#include "platform/fonts/font_config.hpp"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/fonts/font_answers.hpp"
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
  ProcessConfig() : started_(FontAnswers::Clock::now()), config_(FcInitLoadConfigAndFonts()) {}
  ~ProcessConfig() {
    if (config_ != nullptr) FcConfigDestroy(config_);
  }
  ProcessConfig(const ProcessConfig&) = delete;
  ProcessConfig& operator=(const ProcessConfig&) = delete;
  FcConfig* get() const { return config_; }
  FontAnswers::Clock::time_point started() const { return started_; }

 private:
  FontAnswers::Clock::time_point started_;
  FcConfig* config_;
};

const ProcessConfig& processConfig() {
  static const ProcessConfig loaded;
  return loaded;
}

FcConfig* config() { return processConfig().get(); }

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// What fontconfig's answers depend on besides its files: the settings it
// reads from the environment, the program's name (configurations may match
// on it), fontconfig's version, and the questions' own form.
std::string answerSettings() {
  std::string settings = "questions 1\nfontconfig " + std::to_string(FcGetVersion()) + "\nprogram " +
                         program_invocation_short_name + '\n';
  for (const char* name :
       {"FC_LANG", "LC_ALL", "LC_CTYPE", "LANG", "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
    const char* value = std::getenv(name);
    settings.append(name).append(value == nullptr ? " unset" : "=").append(value == nullptr ? "" : value);
    settings += '\n';
  }
  return settings;
}

// One file per program and settings, in the user's cache folder; none
// without a home, and none for a configuration chosen through the
// environment (it may name files relative to the working folder).
std::filesystem::path answersFile(const std::string& settings) {
  for (const char* name : {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT"}) {
    if (std::getenv(name) != nullptr) return {};
  }
  std::string folder = variable("XDG_CACHE_HOME");
  if (folder.empty() || folder.front() != '/') {
    const std::string home = variable("HOME");
    if (home.empty() || home.front() != '/') return {};
    folder = home + "/.cache";
  }
  std::uint64_t hash = 14695981039346656037ULL;
  for (unsigned char c : settings) hash = (hash ^ c) * 1099511628211ULL;
  char name[40];
  std::snprintf(name, sizeof name, "fonts-%016llx", static_cast<unsigned long long>(hash));
  return std::filesystem::path(folder) / "maravel" / name;
}

std::atomic<bool> answersKeptBetweenProcesses{false};

// Held in memory only unless the program asked for them to be kept.
FontAnswers& keptAnswers() {
  static FontAnswers kept = [] {
    std::string settings = answerSettings();
    std::filesystem::path file;
    if (answersKeptBetweenProcesses.load()) file = answersFile(settings);
    return FontAnswers(std::move(file), std::move(settings));
  }();
  return kept;
}

// The files and folders the configuration was read from, with the places a
// user's configuration would appear: the configuration files, their folders,
// and every font folder (fontconfig lists the configured ones whether they
// exist or not, and the folders below them).
std::vector<std::string> watchedPaths() {
  std::vector<std::string> paths;
  const auto add = [&paths](FcStrList* list) {
    if (list == nullptr) return;
    while (const FcChar8* path = FcStrListNext(list)) paths.emplace_back(reinterpret_cast<const char*>(path));
    FcStrListDone(list);
  };
  add(FcConfigGetConfigFiles(config()));
  add(FcConfigGetConfigDirs(config()));
  for (std::size_t i = 0, files = paths.size(); i < files; ++i)
    paths.push_back(std::filesystem::path(paths[i]).parent_path().string());
  add(FcConfigGetFontDirs(config()));
  std::string configHome = variable("XDG_CONFIG_HOME");
  const std::string home = variable("HOME");
  if (configHome.empty() && !home.empty()) configHome = home + "/.config";
  if (!configHome.empty()) {
    for (const char* place : {"/fontconfig", "/fontconfig/fonts.conf", "/fontconfig/conf.d"})
      paths.push_back(configHome + place);
  }
  if (!home.empty()) {
    paths.push_back(home + "/.fonts.conf");
    paths.push_back(home + "/.fonts.conf.d");
  }
  std::sort(paths.begin(), paths.end());
  paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
  return paths;
}

// Which answers go into the file. Questions about a name fontconfig does not
// know carry whatever a document calls its font; those answers (nothing
// found, a generic family) are not written down.
enum class Keep { always, whenFound, never };

// The answer to `question`: kept from an earlier process while it holds,
// else worked out by `work` over the loaded configuration and kept as
// `keep` says. Empty when there is no configuration.
template <typename Work>
FontAnswers::Fields answered(const FontAnswers::Fields& question, Work work, Keep keep = Keep::always) {
  if (std::optional<FontAnswers::Fields> kept = keptAnswers().find(question)) return *std::move(kept);
  if (config() == nullptr) return {};
  FontAnswers::Fields answer = work();
  if (keep == Keep::always || (keep == Keep::whenFound && !answer.empty()))
    keptAnswers().keep(question, answer, watchedPaths, processConfig().started());
  return answer;
}

FontAnswers::Fields fileFields(const std::optional<FaceFile>& file) {
  if (!file) return {};
  return {file->path, std::to_string(file->index)};
}

std::optional<FaceFile> fileOf(const FontAnswers::Fields& fields) {
  if (fields.size() < 2) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long index = std::strtol(fields[1].c_str(), &end, 10);
  if (fields[0].empty() || fields[0].front() != '/' || end == fields[1].c_str() || *end != '\0' ||
      errno != 0 || index < 0 || index > INT32_MAX)
    return std::nullopt;
  return FaceFile{fields[0], static_cast<int>(index)};
}

const char* traits(bool bold, bool italic) {
  static constexpr const char* kTraits[] = {"plain", "italic", "bold", "bold italic"};
  return kTraits[(bold ? 2 : 0) + (italic ? 1 : 0)];
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

std::optional<FaceFile> characterFile(char32_t character, bool bold, bool italic) {
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

std::vector<std::string> listFamilies() {
  std::vector<std::string> names;
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

std::optional<std::string> compatibleFamily(const std::string& family) {
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

GenericFamily genericOf(const std::string& family) {
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

}  // namespace

bool shareConfiguration() {
  FcConfig* loaded = config();
  return loaded != nullptr && FcConfigSetCurrent(loaded) == FcTrue;
}

std::optional<FaceFile> characterFaceFile(char32_t character, bool bold, bool italic) {
  return fileOf(answered({"character", std::to_string(character), traits(bold, italic)},
                         [&] { return fileFields(characterFile(character, bold, italic)); }));
}

void distrustKeptAnswers() { keptAnswers().distrust(); }

void keepAnswersBetweenProcesses() { answersKeptBetweenProcesses.store(true); }

std::vector<std::string> availableFamilies() { return answered({"families"}, listFamilies); }

std::optional<std::string> metricCompatibleFamily(const std::string& family) {
  if (family.empty()) return std::nullopt;
  FontAnswers::Fields name = answered(
      {"compatible", family},
      [&]() -> FontAnswers::Fields {
        std::optional<std::string> found = compatibleFamily(family);
        if (!found) return {};
        return {*found};
      },
      Keep::whenFound);
  if (name.empty()) return std::nullopt;
  return std::move(name.front());
}

GenericFamily genericFamily(const std::string& family) {
  if (family.empty()) return GenericFamily::sansSerif;
  const FontAnswers::Fields kind = answered(
      {"generic", family},
      [&]() -> FontAnswers::Fields { return {std::to_string(static_cast<int>(genericOf(family)))}; },
      Keep::never);
  if (kind.size() == 1 && kind[0] == "1") return GenericFamily::serif;
  if (kind.size() == 1 && kind[0] == "2") return GenericFamily::monospace;
  return GenericFamily::sansSerif;
}

bool isFamilyAvailable(const std::string& family) {
  if (family.empty()) return false;
  return !answered(
              {"available", family},
              [&]() -> FontAnswers::Fields {
                if (isInstalledFamily(fcString(family)) || compatibleFamily(family)) return {"yes"};
                return {};
              },
              Keep::whenFound)
              .empty();
}

std::optional<FaceMatch> matchPlainFace(const std::string& family) {
  FontAnswers::Fields fields =
      answered({"match", family, traits(false, false)}, [&]() -> FontAnswers::Fields {
        std::optional<FaceMatch> found = match(family, false, false);
        if (!found) return {};
        FontAnswers::Fields out = fileFields(found->file);
        out.push_back(found->family);
        return out;
      });
  std::optional<FaceFile> file = fileOf(fields);
  if (!file || fields.size() != 3) return std::nullopt;
  return FaceMatch{std::move(*file), std::move(fields[2])};
}

std::optional<FaceFile> matchFaceFile(const std::string& family, bool bold, bool italic,
                                      const std::optional<FaceMatch>& plain) {
  if (!plain || (!bold && !italic)) return plain ? std::optional(plain->file) : std::nullopt;
  return fileOf(answered({"face", family, traits(bold, italic), plain->file.path,
                          std::to_string(plain->file.index), plain->family},
                         [&] {
                           std::optional<FaceMatch> styled = match(family, bold, italic);
                           if (styled && styled->family == plain->family &&
                               hasTraits(styled->file, bold, italic))
                             return fileFields(styled->file);
                           return fileFields(plain->file);
                         }));
}

}  // namespace maravel::fonts
