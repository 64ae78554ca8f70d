// maravel_process_meter RUNS COMMAND [ARGUMENT...] [--- COMMAND [ARGUMENT...]]...
//
// Runs each command RUNS times, the commands taking turns so that a busy
// machine slows them alike, after two warm-up rounds (the files and the
// libraries are then in the page cache). Standard output goes to /dev/null.
// Prints one line per command:
//   <median wall ms> <median CPU ms> <median peak resident KB> <exit status of the last run>
// Wall time is taken around fork and wait; CPU time (user and system) and
// the peak come from the child's resource usage. On a machine shared with
// other work the CPU time is the steadier of the two.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

struct Sample {
  double milliseconds = 0;
  double cpuMilliseconds = 0;
  long peakKilobytes = 0;
  int status = -1;
};

Sample runOnce(char** command) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, STDOUT_FILENO);
    execvp(command[0], command);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const auto end = std::chrono::steady_clock::now();
  const auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
  };
  return {std::chrono::duration<double, std::milli>(end - start).count(),
          ms(usage.ru_utime) + ms(usage.ru_stime), usage.ru_maxrss,
          WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

template <typename T>
T median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 2 ? std::atoi(argv[1]) : 0;
  if (runs < 1) {
    std::fputs("usage: maravel_process_meter RUNS COMMAND [ARGUMENT...] [--- COMMAND [ARGUMENT...]]...\n",
               stderr);
    return 2;
  }
  // Each command is a null-terminated slice of argv: the separators become
  // the terminators.
  std::vector<char**> commands{argv + 2};
  for (int i = 2; i < argc; ++i) {
    if (std::string_view(argv[i]) == "---") {
      argv[i] = nullptr;
      commands.push_back(argv + i + 1);
    }
  }
  std::vector<std::vector<Sample>> samples(commands.size());
  for (int round = -2; round < runs; ++round) {
    for (std::size_t c = 0; c < commands.size(); ++c) {
      const Sample sample = runOnce(commands[c]);
      if (round >= 0) samples[c].push_back(sample);
    }
  }
  for (const std::vector<Sample>& runsOfOne : samples) {
    std::vector<double> times;
    std::vector<double> cpuTimes;
    std::vector<long> peaks;
    for (const Sample& sample : runsOfOne) {
      times.push_back(sample.milliseconds);
      cpuTimes.push_back(sample.cpuMilliseconds);
      peaks.push_back(sample.peakKilobytes);
    }
    std::printf("%.2f %.2f %ld %d\n", median(times), median(cpuTimes), median(peaks),
                runsOfOne.back().status);
  }
  return 0;
}
