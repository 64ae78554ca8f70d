// maravel_bench_documents FOLDER [PAGES...]: writes the benchmark decisions
// as FOLDER/<PAGES>-page.udf (1, 10, 100 and 1000 pages unless given), and
// prints each file's size and the size of its content.xml.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/document_generator.hpp"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: maravel_bench_documents FOLDER [PAGES...]\n", stderr);
    return 2;
  }
  std::vector<std::size_t> pageCounts;
  for (int i = 2; i < argc; ++i) pageCounts.push_back(static_cast<std::size_t>(std::atol(argv[i])));
  if (pageCounts.empty()) pageCounts = {1, 10, 100, 1000};
  for (const std::size_t pages : pageCounts) {
    const maravel::bench::EditorDocument document = maravel::bench::editorDocument(pages);
    const std::vector<std::uint8_t> archive = document.pack();
    const std::string path = std::string(argv[1]) + "/" + std::to_string(pages) + "-page.udf";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
    if (!out.good()) {
      std::fprintf(stderr, "maravel_bench_documents: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s %zu %zu\n", path.c_str(), archive.size(), document.contentXml.size());
  }
  return 0;
}
