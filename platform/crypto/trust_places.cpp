#include "platform/crypto/trust_places.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <utility>

#ifndef MARAVEL_TRUST_DATADIR
#define MARAVEL_TRUST_DATADIR "/usr/share/maravel/trust"
#endif

namespace maravel::crypto {

namespace {

constexpr const char* kPackageFolder = "/usr/share/maravel/trust";

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string home() {
  if (std::string value = environment("HOME"); !value.empty()) return value;
  char buffer[4096];
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) != 0 || !found || !found->pw_dir)
    return {};
  return found->pw_dir;
}

// $VARIABLE, or ~/FALLBACK, as the XDG base directories say (a relative
// value is ignored); empty without a home.
std::string baseFolder(const char* variable, const char* fallback) {
  std::string value = environment(variable);
  if (!value.empty() && value.front() == '/') return value;
  const std::string folder = home();
  return folder.empty() ? std::string() : folder + "/" + fallback;
}

std::vector<std::string> split(std::string_view list) {
  std::vector<std::string> out;
  while (!list.empty()) {
    const std::size_t colon = list.find(':');
    if (colon != 0) out.emplace_back(list.substr(0, colon));
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
  return out;
}

}  // namespace

TrustPlaces TrustPlaces::standard() {
  TrustPlaces places;
  if (const char* pinned = std::getenv("MARAVEL_TRUST_DIRS")) {
    places.anchorFolders = split(pinned);
  } else {
    // The package installs under /usr whatever prefix the build was
    // configured with; a build installed elsewhere reads its own folder too.
    places.anchorFolders = {MARAVEL_TRUST_DATADIR};
    if (std::string_view(MARAVEL_TRUST_DATADIR) != kPackageFolder)
      places.anchorFolders.emplace_back(kPackageFolder);
    places.anchorFolders.emplace_back("/etc/maravel/trust");
    if (std::string config = baseFolder("XDG_CONFIG_HOME", ".config"); !config.empty())
      places.anchorFolders.push_back(config + "/maravel/trust");
  }
  if (std::string cache = baseFolder("XDG_CACHE_HOME", ".cache"); !cache.empty()) {
    places.issuerCache = cache + "/maravel/issuers";
    places.revocationCache = cache + "/maravel/revocation";
  }
  return places;
}

TrustPlaces TrustPlaces::replacingAnchors(std::vector<std::string> folders) {
  TrustPlaces places = standard();
  places.anchorFolders = std::move(folders);
  return places;
}

}  // namespace maravel::crypto
