// udfsign [--signers N] CONTENT OUT.sgn: signs the bytes of the file
// CONTENT (a sample's content.xml) with a throwaway authority and one to
// three signers made for this run, and writes the detached CMS signature to
// OUT.sgn, shaped like the editor's sign.sgn. The keys exist only in memory while it runs: the signature
// verifies, but nothing can ever sign with that signer again, and no system
// trusts its authority.
//
// Exit status: 0 written, 2 for a usage error or a file that cannot be read
// or written.

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/quicklook/file_contents.hpp"
#include "tools/test_signer.hpp"

namespace {

constexpr std::string_view kUsage =
    "usage: udfsign [--signers N] CONTENT OUT.sgn\n"
    "Writes a detached CMS signature over the bytes of CONTENT to OUT.sgn by N signers\n"
    "(1 to 3, default 1), made with a throwaway test authority whose keys are forgotten\n"
    "when the command ends.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    std::cout << kUsage;
    return 0;
  }
  std::vector<std::string_view> arguments(argv + 1, argv + argc);
  maravel::testing::TestSigner::Options options;
  if (arguments.size() == 4 && arguments[0] == "--signers" && arguments[1].size() == 1 &&
      arguments[1][0] >= '1' && arguments[1][0] <= '3') {
    options.coSigners = arguments[1][0] - '1';
    arguments.erase(arguments.begin(), arguments.begin() + 2);
  }
  if (arguments.size() != 2) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string contentPath(arguments[0]), outPath(arguments[1]);
  const auto content = maravel::quicklook::readFileContents(contentPath);
  if (!content) {
    std::cerr << "udfsign: cannot read " << contentPath << "\n";
    return 2;
  }
  const auto signature = maravel::testing::TestSigner().sign(*content, options);
  if (maravel::quicklook::writeFileAtomically(outPath, signature, 0644)) {
    std::cerr << "udfsign: cannot write " << outPath << "\n";
    return 2;
  }
  return 0;
}
