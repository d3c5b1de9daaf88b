#include "bench_world.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace bench {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr char kConfiguration[] = R"(<?xml version="1.0"?>
<quornellimited><squarix><modules>
  <module name="Bench">
    <function name="TA"><fsuipc offset="66C0" size="1" data="2"/></function>
    <function name="TARA"><fsuipc offset="66C0" size="1" data="3"/></function>
  </module>
</modules></squarix></quornellimited>
)";

std::string serialOf(const char* kind, int number) {
  char serial[16];
  std::snprintf(serial, sizeof serial, "%s%02d", kind, number);
  return serial;
}

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

}  // namespace

std::string comText(double khz) {
  char text[16];
  std::snprintf(text, sizeof text, "%.3f", khz / 1000.0);
  return text;
}

std::string codeText(uint32_t bco16) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X", bco16);
  return text;
}

namespace {

// The named objects and the lab's boards live where a desktop session keeps
// its runtime files: in memory (XDG_RUNTIME_DIR, or /dev/shm without one),
// not on the disk that holds the settings.
std::string runtimeFolder(const fs::path& root) {
  std::string base;
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg)
    base = xdg;
  else if (fs::is_directory("/dev/shm"))
    base = "/dev/shm";
  if (!base.empty()) {
    std::string pattern = base + "/kestrix-bench-run.XXXXXX";
    if (::mkdtemp(pattern.data())) return pattern;
  }
  return (root / "run").string();
}

}  // namespace

BenchWorld::BenchWorld(std::string binFolder) : binFolder_(std::move(binFolder)) {
  char pattern[] = "/tmp/kestrix-bench.XXXXXX";
  folder_ = ::mkdtemp(pattern) ? pattern : "";
  fs::path root = folder_;
  runFolder_ = runtimeFolder(root);
  const std::pair<const char*, fs::path> variables[] = {
      {"KESTRIX_RUNTIME_DIR", runFolder_},    {"HOME", root / "home"},
      {"XDG_CONFIG_HOME", root / "home/.config"}, {"KESTRIX_REGISTRY", root / "registry"},
      {"APPDATA", root / "appdata"},            {"PROGRAMDATA", root / "programdata"}};
  std::error_code ec;
  for (const auto& [name, path] : variables) {
    fs::create_directories(path, ec);
    ::setenv(name, path.c_str(), 1);
  }
  fs::permissions(runFolder_, fs::perms::owner_all, ec);
}

BenchWorld::~BenchWorld() {
  for (auto* program : {&bridge_, &module_}) {
    if (*program && (*program)->running()) {
      (*program)->requestStop();
      if (!(*program)->waitForExit(kDeadline)) (*program)->kill();
    }
    program->reset();
  }
  sim_.reset();
  rack_.reset();
  fsuipc_.close();
  std::error_code ec;
  if (!folder_.empty()) fs::remove_all(folder_, ec);
  if (!runFolder_.empty()) fs::remove_all(runFolder_, ec);
}

std::vector<std::string> BenchWorld::panelSerials() const {
  std::vector<std::string> all = radios_;
  all.insert(all.end(), transponders_.begin(), transponders_.end());
  return all;
}

bool BenchWorld::programsRunning() {
  return module_ && module_->running() && (!bridge_ || bridge_->running());
}

std::string BenchWorld::start(const WorldSetup& setup) {
  if (folder_.empty()) return "no private folder under /tmp";
  fs::path root = folder_;
  rack_ = std::make_unique<lab::BoardRack>(runFolder_);
  for (int n = 1; n <= setup.radioPanels; ++n) {
    radios_.push_back(serialOf("RADIO", n));
    if (!rack_->plug(lab::BoardSetup::panel(radios_.back(), 0x34, 0x01, 1)))
      return "cannot plug " + radios_.back();
  }
  for (int n = 1; n <= setup.transponderPanels; ++n) {
    transponders_.push_back(serialOf("XPNDR", n));
    if (!rack_->plug(lab::BoardSetup::panel(transponders_.back(), 0x34, 0x02, 2)))
      return "cannot plug " + transponders_.back();
  }
  sim_ = std::make_unique<lab::Simulator>(lab::Simulator::Options{});
  if (!sim_->start()) return "the simulator cannot listen: " + sim_->lastError();
  if (!fsuipc_.open()) return "the FSUIPC server cannot open its window";

  platform::ChildProcess::Options options;
  options.workingFolder = folder_;
  options.program = binFolder_ + "/kestrix-module";
  module_ = platform::ChildProcess::start(options);
  if (!module_) return "cannot start " + options.program;
  if (setup.bridge) {
    // The bridge reads its configuration beside itself: a copy of its own.
    fs::path program = root / "program";
    std::error_code ec;
    fs::create_directories(program, ec);
    fs::copy_file(binFolder_ + "/squarix", program / "squarix",
                  fs::copy_options::overwrite_existing, ec);
    if (ec) return "cannot copy squarix: " + ec.message();
    writeFile(program / "squarix.XML", kConfiguration);
    options.program = (program / "squarix").string();
    bridge_ = platform::ChildProcess::start(options);
    if (!bridge_) return "cannot start " + options.program;
    // Nothing is remembered in this world: the bridge asks, a pilot chooses.
    bool asked = sim_->waitUntil([&] { return sim_->openMenuText("Squarix").has_value(); },
                                 kDeadline);
    if (!asked || !sim_->choose("Squarix", kBridgeModule))
      return "squarix did not offer its configurations: " + bridge_->output();
  }
  if (!waitUntilPanelsShow(sim_->radios()))
    return "the panels do not show the simulator's radios: " + module_->output();
  settle();
  return {};
}

bool BenchWorld::panelShows(const std::string& serial, const lab::AircraftRadios& radios) const {
  auto view = rack_->view(serial);
  if (!view) return false;
  if (serial.starts_with("XPNDR")) return view->digits(2, 4) == codeText(radios.transponderCode);
  return view->digits(1, 6) == comText(radios.com1.activeKhz) &&
         view->digits(7, 6) == comText(radios.com1.standbyKhz);
}

bool BenchWorld::waitUntilPanelsShow(const lab::AircraftRadios& radios,
                                     std::chrono::milliseconds deadline) {
  // Each board is looked at until it shows them, then no more: the wait
  // wakes at every report a board takes, and must not cost the programs
  // measured the processor time they need.
  std::vector<std::string> waiting = panelSerials();
  return rack_->waitUntil(
      [&] {
        std::erase_if(waiting,
                      [&](const std::string& serial) { return panelShows(serial, radios); });
        return waiting.empty();
      },
      deadline);
}

void BenchWorld::settle() {
  constexpr auto kQuiet = 300ms;
  constexpr auto kLongest = 5s;
  const auto giveUp = Clock::now() + kLongest;
  auto taken = [&] {
    size_t count = 0;
    for (const auto& board : rack_->boards()) count += rack_->outputReports(board.serial).size();
    return count;
  };
  for (const auto& board : rack_->boards()) rack_->clearOutputReports(board.serial);
  size_t seen = taken();
  auto quietSince = Clock::now();
  while (Clock::now() < giveUp && Clock::now() - quietSince < kQuiet) {
    std::this_thread::sleep_for(20ms);
    size_t now = taken();
    if (now != seen) quietSince = Clock::now();
    seen = now;
  }
}

}  // namespace bench
