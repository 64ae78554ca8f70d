// Writing: the font book's start-up, the page of a parsed decision, and the
// preview's whole in-process work (parse and render).
#include <benchmark/benchmark.h>

#include "bench/side_by_side.hpp"
#include "html/font_book.hpp"
#include "html/html_renderer.hpp"
#include "reader/udf_parser.hpp"

namespace maravel::bench {
namespace {

// What every page pays before its first word is measured: the family list
// and the first face. fontconfig's own configuration is loaded once per
// process and is part of the whole-process figures instead.
void BM_FontBookStart(benchmark::State& state) {
  againstFloor(state, benchDocument(1), [] {
    FontBook fonts;
    benchmark::DoNotOptimize(fonts.width("Davacı", TextRun{}, 12));
  });
}
BENCHMARK(BM_FontBookStart)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Render(benchmark::State& state) {
  const BenchDocument& doc = benchDocument(static_cast<std::size_t>(state.range(0)));
  const std::optional<UDFDocument> parsed = UDFParser::parse(doc.archive);
  againstFloor(state, doc,
               [&] { benchmark::DoNotOptimize(UDFHTMLRenderer::renderHTML(*parsed, "karar.udf")); });
}
BENCHMARK(BM_Render)->Apply(pageCounts);

void BM_ParseAndRender(benchmark::State& state) {
  const BenchDocument& doc = benchDocument(static_cast<std::size_t>(state.range(0)));
  againstFloor(state, doc, [&] {
    const std::optional<UDFDocument> parsed = UDFParser::parse(doc.archive);
    benchmark::DoNotOptimize(UDFHTMLRenderer::renderHTML(*parsed, "karar.udf"));
  });
}
BENCHMARK(BM_ParseAndRender)->Apply(pageCounts);

}  // namespace
}  // namespace maravel::bench
