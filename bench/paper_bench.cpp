// Paper: what udf2pdf does with a long decision once the file is read:
// parse it, lay it out on pages and write the PDF (into memory).
#include <benchmark/benchmark.h>

#include <cstddef>

#include "bench/document_generator.hpp"
#include "paper/page_layout.hpp"
#include "paper/pdf_writer.hpp"
#include "platform/drawing/leak_suppressions.hpp"
#include "reader/udf_parser.hpp"

namespace maravel::bench {
namespace {

void BM_PdfDecision(benchmark::State& state) {
  const auto bytes = pack(editorContent(static_cast<std::size_t>(state.range(0))));
  std::size_t pages = 0;
  std::size_t pdfBytes = 0;
  for (auto _ : state) {
    const auto doc = UDFParser::parse(bytes);
    pdfBytes = 0;
    PdfWriter::write(*doc, "karar.udf", [&](std::span<const std::uint8_t> piece) {
      pdfBytes += piece.size();
      return true;
    });
    benchmark::DoNotOptimize(pdfBytes);
  }
  pages = PageLayout::layout(*UDFParser::parse(bytes)).pages.size();
  state.counters["pages"] = static_cast<double>(pages);
  state.counters["pdfKiB"] = static_cast<double>(pdfBytes) / 1024;
}
// 2,200 paragraphs of the generated decision fill 100 pages.
BENCHMARK(BM_PdfDecision)->Arg(22)->Arg(2200)->Unit(benchmark::kMillisecond);

// The layout alone, for the same document.
void BM_LayoutDecision(benchmark::State& state) {
  const auto doc = UDFParser::parse(pack(editorContent(static_cast<std::size_t>(state.range(0)))));
  for (auto _ : state) {
    PaperDocument paper = PageLayout::layout(*doc);
    benchmark::DoNotOptimize(paper);
  }
}
BENCHMARK(BM_LayoutDecision)->Arg(2200)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace maravel::bench
