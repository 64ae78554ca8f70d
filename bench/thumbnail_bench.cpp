// The thumbnail: tivenna's drawing of a 256-pixel sheet from the file, PNG
// encoding included.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "bench/side_by_side.hpp"
#include "platform/drawing/drawing_context.hpp"
#include "thumbnail/thumbnail_provider.hpp"

namespace maravel::bench {
namespace {

void BM_Thumbnail256(benchmark::State& state) {
  const BenchDocument& doc = benchDocument(static_cast<std::size_t>(state.range(0)));
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("maravel-bench-" + std::to_string(state.range(0)) + ".udf");
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(doc.archive.data()),
             static_cast<std::streamsize>(doc.archive.size()));
  const drawing::Size size{256, 256};
  againstFloor(state, doc, [&] {
    drawing::DrawingContext context(size);
    ThumbnailProvider::drawThumbnail(context, size, file);
    benchmark::DoNotOptimize(context.pngData());
  });
  std::filesystem::remove(file);
}
BENCHMARK(BM_Thumbnail256)->Apply(pageCounts);

}  // namespace
}  // namespace maravel::bench
