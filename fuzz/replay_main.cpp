// Replays stored inputs through one harness without libFuzzer, so that the
// ordinary test build (and its sanitizer build) runs every kept finding.
// Each argument is a file or a folder of files; exit status 0 when all ran,
// 2 when an argument cannot be read. A finding that still fails aborts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::printf("%s (%zu bytes)\n", file.c_str(), data.size());
  std::fflush(stdout);
  LLVMFuzzerTestOneInput(data.data(), data.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path = argv[i];
    std::vector<std::filesystem::path> files;
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      for (const auto& entry : std::filesystem::directory_iterator(path, error))
        files.push_back(entry.path());
      std::sort(files.begin(), files.end());
    } else {
      files.push_back(path);
    }
    for (const auto& file : files) {
      if (!replay(file)) {
        std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
        return 2;
      }
    }
  }
  return 0;
}
