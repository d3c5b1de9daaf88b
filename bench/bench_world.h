#pragma once
// A world of the lab for the benchmark, as tests/e2e build theirs: a private
// folder (runtime folder, home, registry), the lab's simulator with a flight
// running, emulated panels and FSUIPC server in this process, and the real
// kestrix-module and squarix as child processes.
#include <lab/boards.h>
#include <lab/fsuipc_server.h>
#include <lab/simulator.h>
#include <platform/child_process.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

// Only reached when something is wrong: a machine under load is slow, not this slow.
constexpr std::chrono::seconds kDeadline{20};

// The bridge's configuration module: the mode selector's TA and TA/RA
// become 2 and 3 at this offset.
constexpr uint32_t kModeOffset = 0x66C0;
constexpr char kBridgeModule[] = "Bench";

struct WorldSetup {
  int radioPanels = 1;
  int transponderPanels = 1;
  bool bridge = true;  // squarix too, with kBridgeModule chosen
};

class BenchWorld {
 public:
  // Programs come from binFolder. The folder and the variables that point
  // at it (KESTRIX_RUNTIME_DIR, HOME, ...) are this process's from now on.
  explicit BenchWorld(std::string binFolder);
  ~BenchWorld();  // stops the programs and the lab, removes the folder
  BenchWorld(const BenchWorld&) = delete;
  BenchWorld& operator=(const BenchWorld&) = delete;

  // Plugs the panels, starts the lab and the programs, and returns once
  // every panel shows the simulator's radios (and the bridge has its
  // module). Empty when it did, else what went wrong.
  std::string start(const WorldSetup& setup);

  lab::Simulator& sim() { return *sim_; }
  lab::BoardRack& rack() { return *rack_; }
  lab::FsuipcServer& fsuipc() { return fsuipc_; }
  const std::vector<std::string>& radioSerials() const { return radios_; }
  const std::vector<std::string>& transponderSerials() const { return transponders_; }
  std::vector<std::string> panelSerials() const;
  int modulePid() const { return module_ ? module_->pid() : 0; }
  int bridgePid() const { return bridge_ ? bridge_->pid() : 0; }
  bool programsRunning();

  // Whether a panel shows these radios: a radio panel COM1's active and
  // standby frequencies, a transponder panel the code.
  bool panelShows(const std::string& serial, const lab::AircraftRadios& radios) const;
  // Waits until every panel of the world shows them.
  bool waitUntilPanelsShow(const lab::AircraftRadios& radios,
                           std::chrono::milliseconds deadline = kDeadline);
  // Waits until the boards have taken no report for a while (at most a few
  // seconds): what a plug, an unplug or a change set going has ended.
  void settle();

 private:
  std::string folder_;
  std::string runFolder_;  // removed with the world
  std::string binFolder_;
  std::unique_ptr<lab::Simulator> sim_;
  std::unique_ptr<lab::BoardRack> rack_;
  lab::FsuipcServer fsuipc_;
  std::unique_ptr<platform::ChildProcess> module_, bridge_;
  std::vector<std::string> radios_, transponders_;
};

// The texts a panel shows for a frequency and a code: "118.000", "1200".
std::string comText(double khz);
std::string codeText(uint32_t bco16);

}  // namespace bench
