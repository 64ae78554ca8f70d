// Reading: a realistic decision at growing sizes, and the hostile shapes
// whose cost the reader's bounds keep in check.
#include <benchmark/benchmark.h>

#include "bench/document_generator.hpp"
#include "reader/udf_parser.hpp"
#include "reader/zip_extractor.hpp"

namespace maravel::bench {
namespace {

void parseOnce(benchmark::State& state, const std::vector<std::uint8_t>& archive) {
  for (auto _ : state) {
    auto doc = UDFParser::parse(archive);
    benchmark::DoNotOptimize(doc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * archive.size()));
}

// About 40 paragraphs a page, each with the editor's 180 generated stops.
void BM_ParseDecision(benchmark::State& state) {
  parseOnce(state, pack(editorContent(static_cast<std::size_t>(state.range(0)))));
}
BENCHMARK(BM_ParseDecision)->Arg(40)->Arg(400)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_ExtractEntries(benchmark::State& state) {
  const auto archive = pack(editorContent(4000));
  for (auto _ : state) benchmark::DoNotOptimize(FastZipExtractor::extractEntries(archive));
}
BENCHMARK(BM_ExtractEntries)->Unit(benchmark::kMillisecond);

// A 1 MB TabSet on `elements` inherited by every paragraph: parsed once per
// document, the copies bounded by the tab stop budget.
void BM_ParseInheritedTabSet(benchmark::State& state) {
  parseOnce(state, pack(inheritedTabSetContent(static_cast<std::size_t>(state.range(0)), 1 << 20)));
}
BENCHMARK(BM_ParseInheritedTabSet)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// 100,000 runs each cutting the whole 1 MB text block: bounded by the run
// text budget.
void BM_ParseOverlappingRuns(benchmark::State& state) {
  parseOnce(state, pack(overlappingRunsContent(100000, 1 << 20)));
}
BENCHMARK(BM_ParseOverlappingRuns)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace maravel::bench
