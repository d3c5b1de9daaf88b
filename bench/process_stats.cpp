#include "process_stats.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace bench {
namespace {

namespace fs = std::filesystem;

// The value of a "Name:   value" line of a status file.
uint64_t statusValue(const std::string& text, const std::string& name) {
  auto at = text.find("\n" + name + ":");
  if (at == std::string::npos) return 0;
  std::istringstream value(text.substr(at + name.size() + 2));
  uint64_t number = 0;
  value >> number;
  return number;
}

std::string fileText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return "\n" + text.str();  // so the first line is found like the others
}

// utime + stime of /proc/PID/stat, for kernels without schedstat.
uint64_t statCpuNanoseconds(const fs::path& stat) {
  std::string text = fileText(stat);
  auto close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  uint64_t utime = 0, stime = 0;
  for (int index = 3; fields >> field; ++index) {  // field 3 is the state
    if (index == 14) utime = std::stoull(field);
    if (index == 15) {
      stime = std::stoull(field);
      break;
    }
  }
  return (utime + stime) * (1000000000ull / static_cast<uint64_t>(sysconf(_SC_CLK_TCK)));
}

}  // namespace

std::optional<ProcessStats> readProcessStats(int pid) {
  fs::path process = "/proc/" + std::to_string(pid);
  std::error_code ec;
  ProcessStats stats;
  stats.at = std::chrono::steady_clock::now();
  std::string status = fileText(process / "status");
  if (status.size() <= 1 || status.find("\nState:\tZ") != std::string::npos) return std::nullopt;
  stats.peakResidentKb = statusValue(status, "VmHWM");
  bool schedstat = true;
  for (const auto& task : fs::directory_iterator(process / "task", ec)) {
    ++stats.threads;
    std::string taskStatus = fileText(task.path() / "status");
    stats.contextSwitches += statusValue(taskStatus, "voluntary_ctxt_switches") +
                             statusValue(taskStatus, "nonvoluntary_ctxt_switches");
    std::istringstream run(fileText(task.path() / "schedstat"));
    uint64_t nanoseconds = 0;
    if (run >> nanoseconds)
      stats.cpuNanoseconds += nanoseconds;
    else
      schedstat = false;
  }
  if (ec || stats.threads == 0) return std::nullopt;
  if (!schedstat) stats.cpuNanoseconds = statCpuNanoseconds(process / "stat");
  return stats;
}

std::string loadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

}  // namespace bench
