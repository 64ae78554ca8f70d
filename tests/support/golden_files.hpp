// The golden documents under tests/golden: <name>.xml is the content.xml of
// a document written the way the editor writes it, with <name>.properties.xml
// as its documentproperties.xml when present and <name>.imza naming the
// signature its sign.sgn holds (made by the test signer: "gecerli" over the
// content, "degismis" over other bytes, "sahte-sertifika" with a swapped
// certificate, "uc-imza" with two co-signers, "ikinci-bozuk" with a damaged
// second signature, "okunamaz" 32 zero bytes, "nitelikli-degil" by a
// certificate without QcCompliance); the test signer's root is then the
// process's only anchor (MARAVEL_TRUST_DIRS). Beside them lie the outputs
// each driver expects (<name>.html, <name>.pdf.txt).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace maravel::testing {

std::filesystem::path goldenDir();

// The names of the golden documents, sorted.
std::vector<std::string> goldenNames();

// The document `name` packed into a .udf archive.
std::vector<std::uint8_t> goldenUdf(const std::string& name);

// Expects `actual` to equal the golden file `file`. With
// MARAVEL_UPDATE_GOLDEN=1 in the environment it writes a missing or changed
// file instead, to be read before it is committed.
void expectGolden(const std::filesystem::path& file, const std::string& actual);

}  // namespace maravel::testing
