#include "idle_figures.h"

#include "process_stats.h"

#include <optional>
#include <thread>

namespace bench {

std::vector<IdleFigures> measureIdle(const std::vector<int>& pids, std::chrono::seconds window) {
  std::vector<std::optional<ProcessStats>> first;
  for (int pid : pids) first.push_back(readProcessStats(pid));
  std::this_thread::sleep_for(window);
  std::vector<IdleFigures> figures;
  for (size_t i = 0; i < pids.size(); ++i) {
    IdleFigures idle;
    auto last = readProcessStats(pids[i]);
    if (!first[i] || !last) {
      idle.why = "the program ended during the window";
      figures.push_back(idle);
      continue;
    }
    double seconds = std::chrono::duration<double>(last->at - first[i]->at).count();
    idle.measured = true;
    double cpuSeconds =
        static_cast<double>(last->cpuNanoseconds - first[i]->cpuNanoseconds) / 1e9;
    idle.cpuPercent = 100.0 * cpuSeconds / seconds;
    idle.wakeupsPerSecond =
        static_cast<double>(last->contextSwitches - first[i]->contextSwitches) / seconds;
    idle.threads = last->threads;
    idle.peakResidentKb = last->peakResidentKb;
    figures.push_back(idle);
  }
  return figures;
}

}  // namespace bench
