// Writing: the page for a realistic decision, where the tab layout measures
// every word before the last tab of each paragraph.
#include <benchmark/benchmark.h>

#include "bench/document_generator.hpp"
#include "html/html_renderer.hpp"
#include "reader/udf_parser.hpp"

namespace maravel::bench {
namespace {

void BM_RenderDecision(benchmark::State& state) {
  const auto doc = UDFParser::parse(pack(editorContent(static_cast<std::size_t>(state.range(0)))));
  for (auto _ : state) {
    std::string page = UDFHTMLRenderer::renderHTML(*doc, "karar.udf");
    benchmark::DoNotOptimize(page);
  }
}
BENCHMARK(BM_RenderDecision)->Arg(40)->Arg(400)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace maravel::bench
