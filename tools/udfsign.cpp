// udfsign CONTENT OUT.sgn: signs the bytes of the file CONTENT (a sample's
// content.xml) with a throwaway authority and signer made for this run, and
// writes the detached CMS signature to OUT.sgn, shaped like the editor's
// sign.sgn. The keys exist only in memory while it runs: the signature
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
#include "tests/support/test_signer.hpp"

namespace {

constexpr std::string_view kUsage =
    "usage: udfsign CONTENT OUT.sgn\n"
    "Writes a detached CMS signature over the bytes of CONTENT to OUT.sgn, made with a\n"
    "throwaway test authority whose keys are forgotten when the command ends.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    std::cout << kUsage;
    return 0;
  }
  if (argc != 3) {
    std::cerr << kUsage;
    return 2;
  }
  const auto content = maravel::quicklook::readFileContents(argv[1]);
  if (!content) {
    std::cerr << "udfsign: cannot read " << argv[1] << "\n";
    return 2;
  }
  if (maravel::quicklook::writeFileAtomically(argv[2], maravel::testing::TestSigner().sign(*content), 0644)) {
    std::cerr << "udfsign: cannot write " << argv[2] << "\n";
    return 2;
  }
  return 0;
}
