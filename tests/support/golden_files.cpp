#include "tests/support/golden_files.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string_view>

#include "tests/support/scratch_folder.hpp"
#include "tools/test_signer.hpp"
#include "tools/zip_writer.hpp"

namespace maravel::testing {

namespace fs = std::filesystem;

fs::path goldenDir() { return fs::path(MARAVEL_SOURCE_DIR) / "tests" / "golden"; }

std::vector<std::string> goldenNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(goldenDir())) {
    const fs::path& path = entry.path();
    const std::string stem = path.stem().string();
    if (path.extension() == ".xml" && stem.find('.') == std::string::npos) names.push_back(stem);
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

// The sign.sgn that <name>.imza asks for, by its first word.
std::optional<std::string> signature(const std::string& name, const std::string& content) {
  std::string kind = readFile(goldenDir() / (name + ".imza"));
  kind = kind.substr(0, kind.find_first_of(" \n"));
  if (kind.empty()) return std::nullopt;
  static const TestSigner signer;
  // Its root is the only anchor of the process (and of the commands it
  // runs), so that a sound signature shows the trusted badge.
  static const ScratchFolder anchors;
  static const bool anchored = [] {
    anchors.writeText("kok.pem", signer.rootPem());
    return ::setenv("MARAVEL_TRUST_DIRS", anchors.path().c_str(), 1) == 0;
  }();
  EXPECT_TRUE(anchored);
  TestSigner::Options options;
  std::string signedBytes = content;
  if (kind == "okunamaz") return std::string(32, '\0');
  if (kind == "degismis") signedBytes += " ";
  if (kind == "sahte-sertifika") options.swappedCertificate = true;
  if (kind == "uc-imza") options.coSigners = 2;
  if (kind == "nitelikli-degil") options.notQualified = true;
  if (kind == "ikinci-bozuk") options.coSigners = 1, options.secondSignatureDamaged = true;
  const std::vector<std::uint8_t> sgn = signer.sign(bytes(signedBytes), options);
  return std::string(sgn.begin(), sgn.end());
}

}  // namespace

std::vector<std::uint8_t> goldenUdf(const std::string& name) {
  const std::string content = readFile(goldenDir() / (name + ".xml"));
  const std::string properties = readFile(goldenDir() / (name + ".properties.xml"));
  const std::optional<std::string> sgn = signature(name, content);
  return makeUdf(content, properties.empty() ? std::nullopt : std::optional<std::string_view>(properties),
                 sgn ? std::optional<std::string_view>(*sgn) : std::nullopt);
}

void expectGolden(const fs::path& file, const std::string& actual) {
  const bool present = fs::exists(file);
  const std::string expected = readFile(file);
  const char* update = std::getenv("MARAVEL_UPDATE_GOLDEN");
  if (update != nullptr && std::string_view(update) == "1" && (!present || expected != actual)) {
    std::ofstream(file, std::ios::binary) << actual;
    std::cout << "wrote " << file << "\n";
    return;
  }
  ASSERT_TRUE(present) << "no " << file << "; run with MARAVEL_UPDATE_GOLDEN=1";
  EXPECT_EQ(actual, expected) << file;
}

}  // namespace maravel::testing
