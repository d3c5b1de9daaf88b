// kestrix-bench: measures how fast and how frugal the real kestrix-module
// and squarix are against the lab, and prints a table of every figure, its
// goal, what was measured and whether the goal holds. Exits 0 when every
// figure was measured (goals missed or not), 1 when one could not be, 2 on
// bad usage.
//
//   kestrix-bench [--quick] [--boards 2|32] [--bin FOLDER] [--samples FILE]
//
// --quick takes fewer samples and shorter idle windows, for development.
// --samples writes every latency sample, in the order taken, to FILE.
// FOLDER holds kestrix-module and squarix (default: beside this program).
#include "bench_world.h"
#include "figure_table.h"
#include "idle_figures.h"
#include "latency_figures.h"
#include "process_stats.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

namespace bench {
namespace {

using namespace std::chrono_literals;

struct Options {
  bool quick = false;
  // 0: both worlds; 2 or 32: that one alone.
  int boards = 0;
  std::string binFolder;
  std::string samplesFile;
};

struct Plan {
  SamplePlan latency;
  std::chrono::seconds idleWindow{60};
  SamplePlan hotPlug{300, 0ms};
  std::chrono::seconds hotPlugBudget{180};
};

Plan planFor(const Options& options) {
  Plan plan;
  if (options.quick) {
    plan.latency.samples = 40;
    plan.idleWindow = 10s;
    plan.hotPlug.samples = 5;
    plan.hotPlugBudget = 30s;
  }
  return plan;
}

std::string now() {
  std::time_t t = std::time(nullptr);
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %Z", std::localtime(&t));
  return text;
}

std::string boardsText(int boards) { return std::to_string(boards) + " boards"; }

// The idle rows of one program: CPU, and wake-ups with its threads.
void idleRows(FigureTable& table, const std::string& who, const IdleFigures& idle,
              double cpuGoal, double wakeupGoal, int cpuDecimals) {
  std::optional<double> cpu, wakeups;
  if (idle.measured) cpu = idle.cpuPercent, wakeups = idle.wakeupsPerSecond;
  table.atMost(who + ": CPU, % of one core", cpu, cpuGoal, "%", idle.why, cpuDecimals);
  if (!idle.measured) return table.notMeasured(who + ": wake-ups", "", idle.why);
  table.row({who + ": wake-ups (context switches of all threads)",
             "≤ " + fixed(wakeupGoal, 0) + " /s",
             fixed(idle.wakeupsPerSecond, 1) + " /s, " + std::to_string(idle.threads) + " threads",
             idle.wakeupsPerSecond <= wakeupGoal});
}

// Two panels and the bridge: P1, P2, P4, P5, P3 of both programs, hot-plug of a third.
void twoBoards(const Options& options, const Plan& plan, FigureTable& table) {
  const std::string two = boardsText(2);
  BenchWorld world(options.binFolder);
  std::cerr << "bench: 2 boards: starting the lab, kestrix-module and squarix\n";
  if (auto why = world.start({1, 1, true}); !why.empty()) {
    for (const char* figure : {"P1", "P2", "P4", "P5", "P3", "Hot-plug"})
      table.notMeasured(std::string(figure) + ", " + two, "", why);
    return;
  }
  std::cerr << "bench: P1 key report -> simulator event\n";
  table.latency("P1 key report → simulator event, " + two, keyReportToEvent(world, plan.latency),
                0.5);
  std::cerr << "bench: P2 data message -> display reports, P4\n";
  DisplayReportCounts counts;
  table.latency("P2 data message → last display report, " + two,
                dataMessageToDisplays(world, plan.latency, counts), 1.0);
  if (auto reports = percentilesOf(counts.reports), rows = percentilesOf(counts.changedRows);
      reports && rows)
    table.row({"P4 display reports per data message, both COM1 displays change",
               "= the rows whose bytes changed",
               "reports p50 " + fixed(reports->p50, 0) + ", max " + fixed(reports->max, 0) +
                   " vs changed rows p50 " + fixed(rows->p50, 0) + ", max " + fixed(rows->max, 0) +
                   "; " + std::to_string(counts.differing) + " of " +
                   std::to_string(counts.reports.size()) + " messages differ",
               counts.differing == 0});
  else
    table.notMeasured("P4 display reports per data message", "= the rows whose bytes changed",
                      "no data message was followed to the panel");
  std::cerr << "bench: P5 transponder event -> FSUIPC write\n";
  table.latency("P5 transponder event → FSUIPC write",
                transponderEventToFsuipcWrite(world, plan.latency), 1.0);
  std::cerr << "bench: P3 idle, " << plan.idleWindow.count() << " s\n";
  world.settle();
  auto idle = measureIdle({world.modulePid(), world.bridgePid()}, plan.idleWindow);
  idleRows(table, "P3 kestrix-module idle, " + two, idle[0], 0.1, 5 + 2, 3);
  idleRows(table, "P3 squarix idle", idle[1], 0.02, 0, 3);
  std::cerr << "bench: hot-plug of a third board\n";
  table.latency("Hot-plug: plug a 3rd board → its first display report",
                plugToFirstDisplayReport(world, lab::BoardSetup::panel("PLUGGED", 0x34, 0x01, 1),
                                         plan.hotPlug, plan.hotPlugBudget),
                100, true);
  if (!world.programsRunning())
    table.notMeasured("2-board world", "", "a program ended during the run");
}

// 32 panels, the driver alone: P1, P2, P3, hot-plug of the 32nd, P6.
void thirtyTwoBoards(const Options& options, const Plan& plan, FigureTable& table) {
  const std::string many = boardsText(32);
  BenchWorld world(options.binFolder);
  std::cerr << "bench: 32 boards: starting the lab and kestrix-module\n";
  if (auto why = world.start({16, 16, false}); !why.empty()) {
    for (const char* figure : {"P1", "P2", "P3", "Hot-plug", "P6"})
      table.notMeasured(std::string(figure) + ", " + many, "", why);
    return;
  }
  std::cerr << "bench: P1 key report -> simulator event\n";
  table.latency("P1 key report → simulator event, " + many, keyReportToEvent(world, plan.latency),
                0.5);
  std::cerr << "bench: P2 data message -> display reports\n";
  DisplayReportCounts counts;
  table.latency("P2 data message → last display report of the last panel, " + many,
                dataMessageToDisplays(world, plan.latency, counts), 5.0);
  std::cerr << "bench: P3 idle, " << plan.idleWindow.count() << " s\n";
  world.settle();
  auto idle = measureIdle({world.modulePid()}, plan.idleWindow);
  idleRows(table, "P3 kestrix-module idle, " + many, idle[0], 0.5, 5 + 32, 3);
  std::cerr << "bench: hot-plug of the 32nd board\n";
  lab::BoardSetup last;
  for (const auto& board : world.rack().boards())
    if (board.serial == world.radioSerials().back()) last = board;
  world.rack().unplug(last.serial);
  table.latency("Hot-plug: plug the 32nd board (31 driven) → its first display report",
                plugToFirstDisplayReport(world, last, plan.hotPlug, plan.hotPlugBudget), 100, true);
  auto stats = readProcessStats(world.modulePid());
  std::optional<double> peakMb;
  if (stats) peakMb = static_cast<double>(stats->peakResidentKb) / 1024.0;
  table.atMost("P6 peak memory (VmHWM) of kestrix-module, " + many, peakMb, 8, "MB",
               "kestrix-module ended", 1);
  if (!world.programsRunning())
    table.notMeasured("32-board world", "", "kestrix-module ended during the run");
}

std::optional<Options> parse(int argc, char** argv) {
  Options options;
  std::error_code ec;
  options.binFolder = std::filesystem::canonical(argv[0], ec).parent_path().string();
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--quick")
      options.quick = true;
    else if (argument == "--boards" && i + 1 < argc &&
             (std::string(argv[i + 1]) == "2" || std::string(argv[i + 1]) == "32"))
      options.boards = std::stoi(argv[++i]);
    else if (argument == "--samples" && i + 1 < argc)
      options.samplesFile = argv[++i];
    else if (argument == "--bin" && i + 1 < argc)
      options.binFolder = std::filesystem::absolute(argv[++i], ec).string();
    else
      return std::nullopt;
  }
  return options;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  using namespace bench;
  auto options = parse(argc, argv);
  if (!options) {
    std::cerr << "usage: kestrix-bench [--quick] [--boards 2|32] [--bin FOLDER] [--samples FILE]\n";
    return 2;
  }
  Plan plan = planFor(*options);
  std::string started = now(), loadBefore = loadAverage();
  FigureTable table;
  if (options->boards != 32) twoBoards(*options, plan, table);
  if (options->boards != 2) thirtyTwoBoards(*options, plan, table);
  std::cout << "Kestrix benchmark, " << started << (options->quick ? " (--quick)" : "") << ", "
            << std::thread::hardware_concurrency() << " cores, load average " << loadBefore
            << " at the start, " << loadAverage() << " at the end\n\n";
  table.print(std::cout);
  if (!options->samplesFile.empty()) {
    std::ofstream samples(options->samplesFile);
    table.printSamples(samples);
    if (!samples) std::cerr << "kestrix-bench: cannot write " << options->samplesFile << "\n";
  }
  return table.allMeasured() ? 0 : 1;
}
