// worst_case_bench [CASE...]: runs pelsora, tivenna, udfdump, udf2pdf,
// udftotext and udf2docx as whole processes, under GNU time, on each crafted
// worst-case document and prints a Markdown table of wall time, CPU time,
// peak resident memory and exit status per door. The goals (2 s and 1 GiB per
// process) are read off the table; nothing here fails.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/worst_cases.hpp"

namespace {

struct Measured {
  double seconds = 0;     // wall time
  double cpuSeconds = 0;  // user and system time: the machine may be shared
  double peakMiB = 0;
  int status = -1;
};

// Runs the program under GNU time with its output sent to /dev/null. The
// program is time's own child, a fresh process, so its peak resident size
// counts none of this program's memory.
Measured measure(const std::vector<std::string>& command, const std::filesystem::path& report) {
  std::string line = "/usr/bin/time -f '%e %U %S %M %x' -o '" + report.string() + "'";
  for (const std::string& word : command) line += " '" + word + "'";
  line += " >/dev/null 2>&1";
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

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> only(argv + 1, argv + argc);
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "maravel-worst-cases";
  std::filesystem::create_directories(folder);
  std::printf(
      "| case | document | file | pelsora | tivenna | udfdump | udf2pdf | udftotext | udf2docx |\n"
      "|---|---|---|---|---|---|---|---|---|\n");
  for (const auto& worstCase : maravel::testing::worstCases()) {
    if (!only.empty() && std::find(only.begin(), only.end(), worstCase.name) == only.end()) continue;
    const std::filesystem::path file = folder / (worstCase.name + ".udf");
    {
      const std::vector<std::uint8_t> archive = worstCase.archive();
      std::ofstream(file, std::ios::binary)
          .write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
    }
    const std::string png = (folder / (worstCase.name + ".png")).string();
    const std::filesystem::path report = folder / "time.txt";
    const Measured pelsora = measure({PELSORA_PATH, file.string()}, report);
    const Measured tivenna = measure({TIVENNA_PATH, "-s", "256", file.string(), png}, report);
    const Measured udfdump = measure({UDFDUMP_PATH, file.string()}, report);
    const Measured udf2pdf = measure({UDF2PDF_PATH, "-o", "-", file.string()}, report);
    const Measured udftotext = measure({UDFTOTEXT_PATH, file.string()}, report);
    const Measured udf2docx = measure({UDF2DOCX_PATH, "-o", "-", file.string()}, report);
    std::printf("| %s | %s | %.1f MiB | %s | %s | %s | %s | %s | %s |\n", worstCase.name.c_str(),
                worstCase.what.c_str(), static_cast<double>(std::filesystem::file_size(file)) / (1 << 20),
                cell(pelsora).c_str(), cell(tivenna).c_str(), cell(udfdump).c_str(), cell(udf2pdf).c_str(),
                cell(udftotext).c_str(), cell(udf2docx).c_str());
    std::fflush(stdout);
    if (std::getenv("MARAVEL_KEEP_CASES") == nullptr) std::filesystem::remove(file);
  }
  return 0;
}
