// qlmanage: makes file managers draw the thumbnails of UYAP documents again.
//
//   qlmanage -r
//
// Removes the cached thumbnails and failure records of ".udf" files from the
// user's freedesktop thumbnail cache ($XDG_CACHE_HOME/thumbnails). Exit
// status 0 (also when there is no cache), 2 for wrong arguments.
#include <iostream>
#include <string_view>

#include "Maravel/tools/freedesktop_places.hpp"
#include "Maravel/tools/thumbnail_cache.hpp"
#include "platform/commandline/licence_notice.hpp"

namespace {

constexpr std::string_view kHelp =
    "Usage: qlmanage -r\n"
    "Removes the cached thumbnails and failure records of .udf files from\n"
    "$XDG_CACHE_HOME/thumbnails, so that file managers draw them again.\n"
    "\n"
    "  -r         refresh\n"
    "  --help     show this help\n"
    "  --version  show the version\n";

}  // namespace

int main(int argc, char** argv) {
  const std::string_view arg = argc == 2 ? argv[1] : "";
  if (arg == "--help" || arg == "-h") {
    std::cout << kHelp;
  } else if (arg == "--version") {
    std::cout << "qlmanage (Maravel) " << MARAVEL_VERSION << "\n" << maravel::commandline::kLicenceNotice;
  } else if (arg == "-r") {
    maravel::ThumbnailCache::removeUDFEntries(maravel::FreedesktopPlaces::cacheHome());
  } else {
    std::cerr << "qlmanage: usage: qlmanage -r (try --help)\n";
    return 2;
  }
  return 0;
}
