// Paper: what udf2pdf does with a decision once the file is read: parse it,
// lay it out on pages and write the PDF (into memory), beside the floor.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "bench/side_by_side.hpp"
#include "paper/page_layout.hpp"
#include "paper/pdf_writer.hpp"
#include "reader/udf_parser.hpp"

namespace maravel::bench {
namespace {

void BM_Pdf(benchmark::State& state) {
  const BenchDocument& doc = benchDocument(static_cast<std::size_t>(state.range(0)));
  std::size_t pdfBytes = 0;
  againstFloor(state, doc, [&] {
    const auto parsed = UDFParser::parse(doc.archive);
    pdfBytes = 0;
    PdfWriter::write(
        *parsed, "karar.udf",
        [&](std::span<const std::uint8_t> piece) {
          pdfBytes += piece.size();
          return true;
        },
        doc.archive.size());
    benchmark::DoNotOptimize(pdfBytes);
  });
  state.counters["pdfKiB"] = static_cast<double>(pdfBytes) / 1024;
}
BENCHMARK(BM_Pdf)->ArgName("pages")->Arg(1)->Arg(100)->UseManualTime()->Unit(benchmark::kMillisecond);

// The layout alone, for the same documents.
void BM_PaperLayout(benchmark::State& state) {
  const BenchDocument& doc = benchDocument(static_cast<std::size_t>(state.range(0)));
  const auto parsed = UDFParser::parse(doc.archive);
  std::size_t pages = 0;
  againstFloor(state, doc, [&] {
    PaperDocument paper = PageLayout::layout(*parsed);
    pages = paper.pages.size();
    benchmark::DoNotOptimize(paper);
  });
  state.counters["sheets"] = static_cast<double>(pages);
}
BENCHMARK(BM_PaperLayout)->ArgName("pages")->Arg(1)->Arg(100)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace maravel::bench
