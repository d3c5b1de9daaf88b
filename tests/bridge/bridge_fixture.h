#pragma once
// The bridge's configuration and mapping at work on a real file, the
// registry of the test's own and the lab's FSUIPC server; what the bridge
// would put on the simulator screen is recorded.
#include <gtest/gtest.h>
#include <lab/fsuipc_server.h>
#include <platform/user_notice.h>

#include <string>
#include <vector>

#include "bridge_config.h"
#include "fsuipc_link.h"
#include "sim_screen.h"
#include "test_environment.h"
#include "transponder_mapping.h"

namespace bridgetest {

struct ShownText {
  std::string text;
  float seconds = 0;
  bool operator==(const ShownText&) const = default;
};

class RecordingScreen : public SimScreen {
 public:
  void showSimText(const std::string& text, float seconds) override {
    texts.push_back({text, seconds});
  }
  void showMenu(const std::string& block) override { menus.push_back(block); }

  std::vector<ShownText> texts;
  std::vector<std::string> menus;
};

struct MessageBox {
  std::string caption, text;
  bool operator==(const MessageBox&) const = default;
};

class BridgeFixture : public ::testing::Test {
 protected:
  BridgeFixture();
  ~BridgeFixture() override;

  // A configuration file of <module> elements inside the usual root.
  void writeModules(const std::string& modules);
  void writeConfig(const std::string& text) { testsupport::writeFile(configPath, text); }
  void remember(const std::string& name);
  std::optional<std::string> rememberedName() const;
  // Runs a function and returns the writes the server received meanwhile.
  std::vector<lab::FsuipcWrite> writesOf(const std::string& function);
  // The menu block's strings, split at their NULs.
  static std::vector<std::string> entriesOf(const std::string& block);

  testsupport::TestEnvironment env;
  std::string configPath;
  lab::FsuipcServer server;
  FsuipcLink link;
  RecordingScreen screen;
  bool quitRequested = false;
  std::vector<MessageBox> messageBoxes;
  BridgeConfig config;
  TransponderMapping mapping;
};

}  // namespace bridgetest
