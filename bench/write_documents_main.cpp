// maravel_bench_documents FOLDER [DOCUMENT...]: writes the benchmark
// documents into FOLDER and prints each file's path, size and the size of
// its content.xml; each is signed. A DOCUMENT is
//   N          the editor-shaped decision of N pages, FOLDER/N-page.udf
//   dense:N    the text-heavy document of N pages, FOLDER/dense-N-page.udf
//   many:N     N small decisions of 1 to 3 pages, FOLDER/many/0001.udf ...
//              (one line for the folder: its path, bytes and content bytes)
// Without a DOCUMENT: 1, 10, 100 and 1000.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench/document_generator.hpp"
#include "tools/test_signer.hpp"

namespace {

using maravel::bench::EditorDocument;

struct Written {
  std::size_t fileBytes = 0;
  std::size_t contentBytes = 0;
};

// The documents carry a genuine signature from a throwaway authority, so
// that udfverify does all of its work on them: the digest of content.xml and
// the signature check.
const maravel::testing::TestSigner& signer() {
  static const maravel::testing::TestSigner instance;
  return instance;
}

bool write(const std::string& path, EditorDocument document, Written& total) {
  const std::vector<std::uint8_t> signature = signer().sign(
      {reinterpret_cast<const std::uint8_t*>(document.contentXml.data()), document.contentXml.size()});
  document.signature.assign(signature.begin(), signature.end());
  const std::vector<std::uint8_t> archive = document.pack();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
  if (!out.good()) {
    std::fprintf(stderr, "maravel_bench_documents: cannot write %s\n", path.c_str());
    return false;
  }
  total.fileBytes += archive.size();
  total.contentBytes += document.contentXml.size();
  return true;
}

bool writeMany(const std::string& folder, std::size_t count, Written& total) {
  std::filesystem::create_directories(folder);
  for (std::size_t i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/%04zu.udf", i);
    if (!write(folder + name, maravel::bench::editorDocument(1 + i % 3), total)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: maravel_bench_documents FOLDER [N | dense:N | many:N]...\n", stderr);
    return 2;
  }
  const std::string folder = argv[1];
  std::vector<std::string> documents(argv + 2, argv + argc);
  if (documents.empty()) documents = {"1", "10", "100", "1000"};
  for (const std::string_view document : documents) {
    const std::size_t colon = document.find(':');
    const std::string_view kind = colon == std::string_view::npos ? "" : document.substr(0, colon);
    const auto count = static_cast<std::size_t>(std::atol(std::string(document.substr(colon + 1)).c_str()));
    Written written;
    std::string path;
    bool ok = false;
    if (kind == "many") {
      path = folder + "/many";
      ok = writeMany(path, count, written);
    } else if (kind == "dense") {
      path = folder + "/dense-" + std::to_string(count) + "-page.udf";
      ok = write(path, maravel::bench::denseDocument(count), written);
    } else {
      path = folder + "/" + std::to_string(count) + "-page.udf";
      ok = write(path, maravel::bench::editorDocument(count), written);
    }
    if (!ok) return 1;
    std::printf("%s %zu %zu\n", path.c_str(), written.fileBytes, written.contentBytes);
  }
  return 0;
}
