#pragma once
// What the system counts for a running program, read from /proc: the one
// place the benchmark looks at the operating system itself.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace bench {

struct ProcessStats {
  std::chrono::steady_clock::time_point at;
  uint64_t cpuNanoseconds = 0;   // on-CPU time of all its threads
  uint64_t contextSwitches = 0;  // voluntary and involuntary, all its threads: its wake-ups
  int threads = 0;
  uint64_t peakResidentKb = 0;   // VmHWM
};

// Nothing when the program is gone.
std::optional<ProcessStats> readProcessStats(int pid);

// The three load averages of /proc/loadavg ("0.52 0.48 0.40").
std::string loadAverage();

}  // namespace bench
