#pragma once
// P3: what the programs cost while nothing happens, over one window of wall
// time; each program's on-CPU time, wake-ups and threads.
#include <chrono>
#include <string>
#include <vector>

namespace bench {

struct IdleFigures {
  bool measured = false;
  std::string why;  // when not measured
  double cpuPercent = 0;  // of one core
  double wakeupsPerSecond = 0;
  int threads = 0;
  uint64_t peakResidentKb = 0;  // VmHWM at the end of the window
};

// Measures every program of pids over the same window.
std::vector<IdleFigures> measureIdle(const std::vector<int>& pids, std::chrono::seconds window);

}  // namespace bench
