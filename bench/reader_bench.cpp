// Reading: the floor, the reader's stages on the editor-shaped decisions,
// and the hostile shapes whose cost the reader's bounds keep in check.
#include <benchmark/benchmark.h>

#include <string_view>

#include "bench/side_by_side.hpp"
#include "reader/udf_parser.hpp"
#include "reader/xml_tree.hpp"
#include "reader/zip_extractor.hpp"

namespace maravel::bench {
namespace {

const BenchDocument& document(const benchmark::State& state) {
  return benchDocument(static_cast<std::size_t>(state.range(0)));
}

void BM_Floor(benchmark::State& state) {
  const BenchDocument& doc = document(state);
  againstFloor(state, doc, [&] { benchmark::DoNotOptimize(floorPass(doc.archive)); });
}
BENCHMARK(BM_Floor)->Apply(pageCounts);

void BM_ZipExtraction(benchmark::State& state) {
  const BenchDocument& doc = document(state);
  againstFloor(state, doc, [&] { benchmark::DoNotOptimize(FastZipExtractor::extractEntries(doc.archive)); });
}
BENCHMARK(BM_ZipExtraction)->Apply(pageCounts);

void BM_XMLTree(benchmark::State& state) {
  const BenchDocument& doc = document(state);
  const std::string_view content = doc.parts.contentXml;
  againstFloor(state, doc, [&] { benchmark::DoNotOptimize(parseXMLTree(content)); });
}
BENCHMARK(BM_XMLTree)->Apply(pageCounts);

void BM_Parse(benchmark::State& state) {
  const BenchDocument& doc = document(state);
  againstFloor(state, doc, [&] { benchmark::DoNotOptimize(UDFParser::parse(doc.archive)); });
}
BENCHMARK(BM_Parse)->Apply(pageCounts);

void parseOnce(benchmark::State& state, const std::vector<std::uint8_t>& archive) {
  for (auto _ : state) {
    auto doc = UDFParser::parse(archive);
    benchmark::DoNotOptimize(doc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * archive.size()));
}

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
