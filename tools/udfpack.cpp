// udfpack FOLDER OUT.udf [SIGNATURE]: packs a sample source folder into a
// .udf archive shaped like the editor's (content.xml, then
// documentproperties.xml and sign.sgn when the folder has them). A SIGNATURE
// file, when given, becomes sign.sgn in place of the folder's.
//
// Exit status: 0 written, 2 for a usage error or a file that cannot be read
// or written.

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/quicklook/file_contents.hpp"
#include "tools/zip_writer.hpp"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsage =
    "usage: udfpack FOLDER OUT.udf [SIGNATURE]\n"
    "Packs FOLDER/content.xml and, when present, FOLDER/documentproperties.xml and\n"
    "FOLDER/sign.sgn into the archive OUT.udf; SIGNATURE, when given, is packed as\n"
    "sign.sgn instead.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    std::cout << kUsage;
    return 0;
  }
  if (argc != 3 && argc != 4) {
    std::cerr << kUsage;
    return 2;
  }
  const fs::path folder = argv[1];
  const fs::path output = argv[2];

  maravel::testing::ZipWriter zip;
  for (const char* name : {"content.xml", "documentproperties.xml", "sign.sgn"}) {
    const bool given = argc == 4 && std::string_view(name) == "sign.sgn";
    const fs::path member = given ? fs::path(argv[3]) : folder / name;
    std::error_code error;
    const bool present = fs::exists(member, error);
    if (!present && !given && std::string_view(name) != "content.xml") continue;
    auto data = present ? maravel::quicklook::readFileContents(member.string()) : std::nullopt;
    if (!data) {
      std::cerr << "udfpack: cannot read " << member.string() << "\n";
      return 2;
    }
    zip.add(name, std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
  }
  if (maravel::quicklook::writeFileAtomically(output, zip.finish(), 0644)) {
    std::cerr << "udfpack: cannot write " << output.string() << "\n";
    return 2;
  }
  return 0;
}
