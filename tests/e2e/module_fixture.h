#pragma once
// A running lab and the real kestrix-module process, each case in a world of
// its own.
#include <gtest/gtest.h>
#include <lab/simulator.h>
#include <platform/child_process.h>

#include <memory>
#include <string>

#include "test_environment.h"

namespace e2e {

using namespace std::chrono_literals;

constexpr auto kDeadline = std::chrono::seconds(20);

class ModuleTest : public ::testing::Test {
 protected:
  void TearDown() override;

  void startLab(bool flightRunning = true);
  // Writes Kestrix.ini before the first start; "section/key=value" entries.
  void writeSettings(const std::vector<std::string>& entries);
  std::unique_ptr<platform::ChildProcess> startModule(const std::vector<std::string>& args = {});
  void startTheModule(const std::vector<std::string>& args = {}) { module = startModule(args); }

  // Waits until the lab has a connected client named "Kestrix" (count: how
  // many connections that name has had).
  bool waitForConnection(size_t count = 1);
  // Waits until the "Kestrix" menu with both its items is in the simulator.
  bool waitForMenu();
  bool waitForText(const std::string& text);
  std::vector<lab::TextRecord> textsEqualTo(const std::string& text) const;
  bool waitForLogLine(const std::string& fragment);
  std::string logText() const;
  std::string settingsPath() const { return env.dataFolder() + "/Kestrix.ini"; }
  void setQuitEventFromOutside();

  testsupport::TestEnvironment env;
  std::unique_ptr<lab::Simulator> sim;
  std::unique_ptr<platform::ChildProcess> module;
};

}  // namespace e2e
