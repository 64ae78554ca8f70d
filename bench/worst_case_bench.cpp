// worst_case_bench [CASE...]: runs the seven commands as whole processes,
// under GNU time, on each crafted worst case of bench/worst_cases.cpp
// and prints a Markdown table of wall time, CPU time, peak resident memory
// and exit status per command. The goals (2 s and 1 GiB per process) are read
// off the table; nothing here fails.
//
// MARAVEL_COMMANDS_DIR names a folder holding the seven programs to measure
// instead of this build's (say, an older build's); each run is ended after
// MARAVEL_WORST_CASE_SECONDS seconds (default 120), which shows as exit 124.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/worst_cases.hpp"
#include "tests/support/shell_quoting.hpp"

namespace {

namespace fs = std::filesystem;
using maravel::testing::shellQuoted;

struct Measured {
  double seconds = 0;     // wall time
  double cpuSeconds = 0;  // user and system time: the machine may be shared
  double peakMiB = 0;
  int status = -1;
};

// Runs the command line under GNU time with its output sent to /dev/null
// (unless the line sends it elsewhere). The program is a fresh process, so
// its peak resident size counts none of this program's memory.
Measured measure(const std::string& commandLine, const fs::path& report, const std::string& seconds) {
  const std::string line = "/usr/bin/time -f '%e %U %S %M %x' -o " + shellQuoted(report.string()) +
                           " timeout -k 5 " + seconds + " sh -c " + shellQuoted(commandLine) +
                           " >/dev/null 2>&1";
  Measured m;
  if (std::system(line.c_str()) == -1) return m;
  double kib = 0, user = 0, system = 0;
  std::ifstream in(report);
  // GNU time writes "Command exited with non-zero status N" first when N > 0.
  for (std::string text; std::getline(in, text);) {
    if (std::sscanf(text.c_str(), "%lf %lf %lf %lf %d", &m.seconds, &user, &system, &kib, &m.status) == 5)
      break;
  }
  m.peakMiB = kib / 1024;
  m.cpuSeconds = user + system;
  return m;
}

std::string cell(const Measured& m) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f s (CPU %.2f s), %.0f MiB, exit %d", m.seconds, m.cpuSeconds,
                m.peakMiB, m.status);
  return text;
}

std::string program(std::size_t command) {
  static const char* const kBuilt[] = {PELSORA_PATH, TIVENNA_PATH,   UDFDUMP_PATH, UDFVERIFY_PATH,
                                       UDF2PDF_PATH, UDFTOTEXT_PATH, UDF2DOCX_PATH};
  if (const char* folder = std::getenv("MARAVEL_COMMANDS_DIR"))
    return (fs::path(folder) / maravel::testing::kCommands[command]).string();
  return kBuilt[command];
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> only(argv + 1, argv + argc);
  const char* limit = std::getenv("MARAVEL_WORST_CASE_SECONDS");
  const std::string seconds = limit != nullptr ? limit : "120";
  const fs::path folder = fs::temp_directory_path() / "maravel-worst-cases";
  fs::create_directories(folder);
  std::printf("| case | document | file |");
  for (const char* command : maravel::testing::kCommands) std::printf(" %s |", command);
  std::printf("\n|---|---|---|");
  for (std::size_t i = 0; i < std::size(maravel::testing::kCommands); ++i) std::printf("---|");
  std::printf("\n");
  for (const auto& worstCase : maravel::testing::worstCases()) {
    if (!only.empty() && std::find(only.begin(), only.end(), worstCase.name) == only.end()) continue;
    const fs::path file = folder / (worstCase.name + ".udf");
    {
      const std::vector<std::uint8_t> archive = worstCase.archive();
      std::ofstream(file, std::ios::binary)
          .write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
    }
    std::printf("| %s | %s | %.1f KiB |", worstCase.name.c_str(), worstCase.what.c_str(),
                static_cast<double>(fs::file_size(file)) / 1024);
    for (std::size_t command = 0; command < std::size(maravel::testing::kCommands); ++command) {
      const std::string line =
          maravel::testing::commandLine(worstCase, command, program(command), file, folder);
      std::printf(" %s |", cell(measure(line, folder / "time.txt", seconds)).c_str());
      std::fflush(stdout);
    }
    std::printf("\n");
    if (std::getenv("MARAVEL_KEEP_CASES") == nullptr) fs::remove(file);
    fs::remove(folder / "sparse.udf");
  }
  return 0;
}
