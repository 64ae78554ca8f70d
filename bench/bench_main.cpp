// The benchmark program's entry. With --table the results come as the
// Markdown table bench/run prints (stage, pages, time, MB/s of content.xml,
// multiple of the floor), followed by how each stage grows from one page
// count to the next; otherwise Google Benchmark's usual console output.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

class TableReporter final : public benchmark::BenchmarkReporter {
 public:
  bool ReportContext(const Context&) override {
    std::printf("| stage | pages | time (ms) | MB/s of content.xml | x floor |\n|---|--:|--:|--:|--:|\n");
    return true;
  }

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool aggregate = run.run_type == Run::RT_Aggregate;
      if (aggregate ? run.aggregate_name != "median" : run.repetitions > 1) continue;
      const std::string stage = stageName(run.run_name.function_name);
      const std::string pages = pageCount(run.run_name.args);
      const double milliseconds = run.GetAdjustedRealTime() * toMilliseconds(run.time_unit);
      std::printf("| %s | %s | %.3f | %s | %s |\n", stage.c_str(), pages.c_str(), milliseconds,
                  counter(run, "bytes_per_second", 1e-6).c_str(), counter(run, "x_floor", 1).c_str());
      if (pages.empty()) continue;
      times_[stage][std::stoul(pages)] = milliseconds;
      if (const auto ratio = run.counters.find("x_floor"); ratio != run.counters.end())
        ratios_[stage][std::stoul(pages)] = ratio->second.value;
    }
  }

  void Finalize() override {
    // A step is linear when the stage grows at most 11 times from one page
    // count to ten times as many, or no more than 1.15 times as much as the
    // floor does in the same step: on a machine where reading itself (the
    // floor) grows faster than the pages once the document leaves the
    // caches, the floor is the measure of linear, with room for the noise of
    // two timings.
    constexpr double kMostGrowth = 11;
    constexpr double kMostOverFloor = 1.15;
    std::printf(
        "\n| stage | time x per 10x pages (1 to 10, 10 to 100, 100 to 1000) | the floor's | linear: at most %.0f, "
        "or %.2f x the floor's |\n|---|---|---|---|\n",
        kMostGrowth, kMostOverFloor);
    const std::map<unsigned long, double>& floor = times_["Floor"];
    for (const auto& [stage, byPages] : times_) {
      std::string steps;
      std::string floorSteps;
      bool linear = true;
      for (auto it = byPages.begin(); std::next(it) != byPages.end(); ++it) {
        const auto next = std::next(it);
        if (next->first != it->first * 10) continue;
        const double growth = next->second / it->second;
        const auto floorFrom = floor.find(it->first);
        const auto floorTo = floor.find(next->first);
        const double floorGrowth =
            floorFrom != floor.end() && floorTo != floor.end() ? floorTo->second / floorFrom->second : 0;
        linear = linear && (growth <= kMostGrowth || growth <= kMostOverFloor * floorGrowth);
        steps += step(steps.empty(), growth);
        floorSteps += step(floorSteps.empty(), floorGrowth);
      }
      if (steps.empty()) continue;
      if (stage == "Floor") {
        std::printf("| %s | %s | | |\n", stage.c_str(), steps.c_str());
      } else {
        std::printf("| %s | %s | %s | %s |\n", stage.c_str(), steps.c_str(), floorSteps.c_str(),
                    linear ? "met" : "MISSED");
      }
    }
    std::printf("\n| target | x floor at 1, 10, 100, 1000 pages | |\n|---|---|---|\n");
    for (const auto& [stage, limit] : {std::pair<std::string, double>{"Parse", 2}, {"ParseAndRender", 4}}) {
      std::string values;
      bool met = true;
      for (const auto& [pages, ratio] : ratios_[stage]) {
        char value[32];
        std::snprintf(value, sizeof value, "%s%.2f", values.empty() ? "" : ", ", ratio);
        values += value;
        met = met && ratio <= limit;
      }
      std::printf("| %s within %.0f x floor | %s | %s |\n", stage.c_str(), limit, values.c_str(),
                  met ? "met" : "MISSED");
    }
  }

 private:
  static std::string step(bool first, double growth) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%.2f", first ? "" : ", ", growth);
    return text;
  }

  static std::string stageName(std::string name) {
    if (name.rfind("BM_", 0) == 0) name.erase(0, 3);
    return name;
  }

  static std::string pageCount(const std::string& args) {
    const std::string_view prefix = "pages:";
    if (args.rfind(prefix, 0) != 0) return {};
    return args.substr(prefix.size());
  }

  static double toMilliseconds(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kNanosecond:
        return 1e-6;
      case benchmark::kMicrosecond:
        return 1e-3;
      case benchmark::kMillisecond:
        return 1;
      case benchmark::kSecond:
        return 1e3;
    }
    return 1;
  }

  static std::string counter(const Run& run, const char* name, double scale) {
    const auto found = run.counters.find(name);
    if (found == run.counters.end()) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", found->second.value * scale);
    return text;
  }

  std::map<std::string, std::map<unsigned long, double>> times_;
  std::map<std::string, std::map<unsigned long, double>> ratios_;
};

}  // namespace

int main(int argc, char** argv) {
  // A fixed threshold: every large block is fresh memory from the system at
  // every document size, as in a process that reads one document. Left to
  // itself the C library raises the threshold to the largest block freed
  // (up to 32 MB), so that below it each repetition reused the last one's
  // pages, already touched, and above it touched new ones.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  bool table = false;
  std::vector<char*> arguments;
  for (int i = 0; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--table") {
      table = true;
    } else {
      arguments.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(arguments.size());
  benchmark::Initialize(&count, arguments.data());
  if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
  if (table) {
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
  } else {
    benchmark::RunSpecifiedBenchmarks();
  }
  benchmark::Shutdown();
  return 0;
}
