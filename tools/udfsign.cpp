// udfsign CONTENT OUT.sgn: signs the bytes of the file CONTENT (a sample's
// content.xml) with a throwaway authority and signer made for this run, and
// writes the detached CMS signature to OUT.sgn, shaped like the editor's
// sign.sgn. The keys exist only in memory while it runs: the signature
// verifies, but nothing can ever sign with that signer again, and no system
// trusts its authority.
//
// Exit status: 0 written, 2 for a usage error or a file that cannot be read
// or written.

#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/test_signer.hpp"

namespace {

constexpr std::string_view kUsage =
    "usage: udfsign CONTENT OUT.sgn\n"
    "Writes a detached CMS signature over the bytes of CONTENT to OUT.sgn, made with a\n"
    "throwaway test authority whose keys are forgotten when the command ends.\n";

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return data;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

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
  const auto content = readFile(argv[1]);
  if (!content) {
    std::cerr << "udfsign: cannot read " << argv[1] << "\n";
    return 2;
  }
  if (!writeFile(argv[2], maravel::testing::TestSigner().sign(*content))) {
    std::cerr << "udfsign: cannot write " << argv[2] << "\n";
    return 2;
  }
  return 0;
}
