#pragma once
// The real squarix process, run from a program folder of the test's own
// (with its configuration file beside it), against the lab's simulator and
// FSUIPC server.
#include <gtest/gtest.h>
#include <lab/fsuipc_server.h>
#include <lab/simulator.h>
#include <platform/child_process.h>

#include <memory>
#include <string>
#include <vector>

#include "test_environment.h"

namespace e2e {

constexpr auto kBridgeDeadline = std::chrono::seconds(20);

// The four transponder events as the panel driver sends them.
class TransponderSender {
 public:
  ~TransponderSender();
  bool open();
  bool send(const std::string& name, uint32_t data);

 private:
  void* simConnect_ = nullptr;
};

class SquarixTest : public ::testing::Test {
 protected:
  SquarixTest();
  void TearDown() override;

  void startLab(bool flightRunning = true);
  // The program folder's copy of squarix and its configuration file.
  std::string programPath() const { return programFolder + "/squarix"; }
  std::string configPath() const { return programFolder + "/squarix.XML"; }
  void writeModules(const std::string& modules);
  void remember(const std::string& name);

  std::unique_ptr<platform::ChildProcess> startBridge(const std::vector<std::string>& args = {});
  void startTheBridge(const std::vector<std::string>& args = {}) { bridge = startBridge(args); }
  // Runs the program to its end: exit code and output.
  std::pair<std::optional<int>, std::string> runToEnd(const std::vector<std::string>& args);

  bool waitForConnection();
  // The bridge's menu items as "text [id]" ("  About... [1]" for sub-items).
  std::vector<std::string> bridgeMenu() const;
  bool waitForMenu();
  // Waits until the bridge's set-up is complete: from then on it hears
  // every transponder event (the simulator drops those sent before).
  bool waitUntilListening();
  bool waitForText(const std::string& text);
  // Writes the modules and remembers `module`, starts the lab (a flight
  // running) and the bridge, and opens `panel` once the bridge hears the
  // transponder's events.
  void startListeningWith(const std::string& modules, const std::string& module);
  // The writes since the last clearWrites() apart from the handshake's.
  std::vector<lab::FsuipcWrite> functionWrites() const;
  // Waits until there are more than `count` of them.
  bool waitForFunctionWrites(size_t count,
                             std::chrono::milliseconds timeout = kBridgeDeadline) const;

  testsupport::TestEnvironment env;
  std::string programFolder;
  std::unique_ptr<lab::Simulator> sim;
  lab::FsuipcServer fsuipc;
  std::unique_ptr<platform::ChildProcess> bridge;
  TransponderSender panel;  // opened by startListeningWith
};

}  // namespace e2e
