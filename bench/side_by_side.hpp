// Timing a stage against the floor on the same document, in the same run.
//
// Each iteration runs the floor pass and then the stage, timing both; the
// benchmark's time is the stage's, and the counter "x_floor" is the stage's
// time over the floor's. Whatever slows the machine during a run slows both
// alike, so the ratio holds where the times do not. Times are the CPU time
// of the benchmark's thread, which leaves out the time other work on a busy
// machine takes the core away. Bytes per second count the document's
// inflated content.xml.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "bench/document_generator.hpp"
#include "bench/floor.hpp"

namespace maravel::bench {

struct BenchDocument {
  EditorDocument parts;
  std::vector<std::uint8_t> archive;
};

// The decision of `pages` pages, made once per process.
inline const BenchDocument& benchDocument(std::size_t pages) {
  static std::map<std::size_t, BenchDocument> made;
  auto found = made.find(pages);
  if (found == made.end()) {
    EditorDocument parts = editorDocument(pages);
    std::vector<std::uint8_t> archive = parts.pack();
    found = made.emplace(pages, BenchDocument{std::move(parts), std::move(archive)}).first;
  }
  return found->second;
}

// The page counts every stage is measured at.
inline void pageCounts(benchmark::internal::Benchmark* b) {
  b->ArgName("pages")->Arg(1)->Arg(10)->Arg(100)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);
}

// Seconds of CPU time the calling thread has used.
inline double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename Stage>
void againstFloor(benchmark::State& state, const BenchDocument& document, Stage&& stage) {
  double stageSeconds = 0;
  double floorSeconds = 0;
  for (auto _ : state) {
    const double start = threadSeconds();
    benchmark::DoNotOptimize(floorPass(document.archive));
    const double between = threadSeconds();
    stage();
    const double seconds = threadSeconds() - between;
    floorSeconds += between - start;
    stageSeconds += seconds;
    state.SetIterationTime(seconds);
  }
  state.counters["x_floor"] = floorSeconds > 0 ? stageSeconds / floorSeconds : 0;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * document.parts.contentXml.size()));
}

}  // namespace maravel::bench
