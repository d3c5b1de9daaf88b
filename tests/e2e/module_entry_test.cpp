// The panel driver's command line, single instance and settings, through the
// real program.
#include <filesystem>
#include <regex>
#include <sstream>

#include <platform/profile_file.h>
#include <sys/stat.h>

#include "module_fixture.h"

namespace e2e {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

TEST_F(ModuleTest, CommandLinesAreSortedIntoSwitchesSessionsAndMistakes) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    bool invalidArgumentShown;
  };
  const Case cases[] = {
      {{"/RegisterFSx"}, 0, false},
      {{"/registerfsx"}, 0, false},
      {{"/REGISTERFSX"}, 0, false},
      {{"/UnregisterFSx"}, 0, false},
      {{"/unregisterFSX"}, 0, false},
      {{"RegisterFSx"}, 255, true},
      {{"-RegisterFSx"}, 255, true},
  };
  for (const auto& c : cases) {
    auto process = startModule(c.args);
    auto code = process->waitForExit(kDeadline);
    ASSERT_TRUE(code) << c.args[0];
    EXPECT_EQ(*code, c.exitCode) << c.args[0];
    bool shown = process->output().find("KESTRIX Module: Invalid argument detected.\n") != std::string::npos;
    EXPECT_EQ(shown, c.invalidArgumentShown) << c.args[0];
  }
}

TEST_F(ModuleTest, ARuntimeFolderOthersMayOpenIsRefused) {
  startLab();
  // The folder of every named object, window and socket, opened to everyone
  // as another user could have made it.
  ASSERT_EQ(chmod(env.runtimeDir().c_str(), 0777), 0);
  for (const auto& program : {"kestrix-module", "squarix"}) {
    SCOPED_TRACE(program);
    auto process = testsupport::startProgramIn(env, testsupport::programPath(program), {});
    ASSERT_TRUE(process);
    EXPECT_EQ(process->waitForExit(kDeadline), std::optional<int>(3));
    EXPECT_NE(process->output().find(": Cannot run: the folder " + env.runtimeDir() +
                                     ", which holds this program's shared objects, is not private "
                                     "(other users may open it)."),
              std::string::npos)
        << process->output();
  }
  EXPECT_TRUE(sim->clients().empty());
  // Registration needs no runtime folder and still works.
  auto registration = startModule({"/RegisterFSx"});
  ASSERT_TRUE(registration);
  EXPECT_EQ(registration->waitForExit(kDeadline), std::optional<int>(0));
}

TEST_F(ModuleTest, OtherSlashArgumentsRunTheSession) {
  startLab();
  for (std::vector<std::string> args : {std::vector<std::string>{"/RegisterFSx", "now"},
                                        std::vector<std::string>{"/verbose"}}) {
    startTheModule(args);
    ASSERT_TRUE(waitForConnection()) << args[0];
    module->requestStop();
    ASSERT_EQ(module->waitForExit(kDeadline), std::optional<int>(0));
    sim->waitUntil([&] {
      for (const auto& c : sim->clients())
        if (c.connected) return false;
      return true;
    }, kDeadline);
  }
}

TEST_F(ModuleTest, ASecondStartExitsAtOnceWhileSwitchesStillWork) {
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForConnection());

  auto second = startModule();
  EXPECT_EQ(second->waitForExit(kDeadline), std::optional<int>(1));
  EXPECT_EQ(second->output(), "");
  auto unregister = startModule({"/UnregisterFSx"});
  EXPECT_EQ(unregister->waitForExit(kDeadline), std::optional<int>(0));
  EXPECT_TRUE(module->running());

  // Once the first has ended, a new start runs.
  module->requestStop();
  ASSERT_EQ(module->waitForExit(kDeadline), std::optional<int>(0));
  startTheModule();
  EXPECT_TRUE(waitForConnection(2));
}

TEST_F(ModuleTest, AKilledInstanceDoesNotBlockTheNextStart) {
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForConnection());
  module->kill();
  module->waitForExit(kDeadline);
  startTheModule();
  EXPECT_TRUE(waitForConnection(2));
}

TEST_F(ModuleTest, TheFirstStartCreatesTheDataFolderAndDefaultSettings) {
  startTheModule();
  ASSERT_TRUE(testsupport::eventually([&] {
    return platform::getProfileInt("Config", "ShowMsgNoControllers", -1, settingsPath()) == 0;
  }));
  EXPECT_TRUE(std::filesystem::is_directory(env.configHome() + "/Quornel Limited"));
  for (auto [section, key] : {std::pair{"Misc", "Debug"}, std::pair{"Config", "ExitOnConnectError"},
                              std::pair{"Config", "ShowMsgNoControllers"}})
    EXPECT_EQ(platform::getProfileString(section, key, "absent", settingsPath()), "0") << key;
  EXPECT_FALSE(std::filesystem::exists(env.dataFolder() + "/Kestrix.log"));
}

TEST_F(ModuleTest, DebugOneWritesTheHeaderAndEveryLineInTheLogFormat) {
  writeSettings({"Misc/Debug=1"});
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForConnection());
  ASSERT_TRUE(waitForLogLine("Sim state: 1"));
  auto lines = linesOf(logText());
  ASSERT_GT(lines.size(), 27u);
  const std::regex line(R"(^\d\d/\d\d/\d\d \d\d:\d\d:\d\d [0-2] [0-9a-f]{8} \[( *)([A-Za-z:_]+)\] .*$)");
  for (size_t i = 0; i < lines.size(); ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[i], m, line)) << lines[i];
    size_t width = m[1].length() + m[2].length();
    EXPECT_EQ(width, std::max<size_t>(25, m[2].length())) << lines[i];
    if (i < 27) {
      EXPECT_EQ(m[2], "Disclosure");
    }
  }
  EXPECT_NE(lines[12].find("* File Version: " KESTRIX_EXPECTED_VERSION), std::string::npos);
  EXPECT_NE(lines[27].find("[CSimConnectModule::CSimConnectModule] Version: " KESTRIX_EXPECTED_VERSION),
            std::string::npos);
  EXPECT_NE(logText().find("[   CSimConnectModule::Run] Opening SimConnect"), std::string::npos);
}

TEST_F(ModuleTest, DebugValuesOtherThanOneWriteNoLog) {
  for (const char* value : {"2", "0", "abc", "-1"}) {
    writeSettings({std::string("Misc/Debug=") + value});
    startLab();
    startTheModule();
    ASSERT_TRUE(waitForConnection()) << value;
    module->requestStop();
    ASSERT_EQ(module->waitForExit(kDeadline), std::optional<int>(0));
    EXPECT_FALSE(std::filesystem::exists(env.dataFolder() + "/Kestrix.log")) << value;
    module.reset();
    sim.reset();
  }
}

TEST_F(ModuleTest, ALogDeletedWhileRunningLosesNoLaterLine) {
  writeSettings({"Misc/Debug=1"});
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForLogLine("Sim state: 1"));
  std::filesystem::remove(env.dataFolder() + "/Kestrix.log");
  ASSERT_TRUE(waitForMenu());
  ASSERT_TRUE(sim->choose("Kestrix", "About..."));
  EXPECT_TRUE(waitForLogLine("About modules choosen"));
  EXPECT_TRUE(waitForLogLine("About: Kestrix driver v"));
}

TEST_F(ModuleTest, MalformedSettingsAreTakenAsTheyReadAndNeverStopTheProgram) {
  testsupport::writeFile(settingsPath(),
                         "[Misc\nDebug==1\n\x01\x02\xff garbage\n[Config]\nExitOnConnectError=yes\n"
                         "ShowMsgNoControllers=" + std::string(5000, '9') + "\n");
  startLab();
  startTheModule();
  EXPECT_TRUE(waitForConnection());
  EXPECT_TRUE(module->running());
}

TEST_F(ModuleTest, AnUnwritableDataFolderLeavesTheDefaultsInForce) {
  // The configuration home is a file: no folder can be made below it.
  std::filesystem::remove_all(env.configHome());
  testsupport::writeFile(env.configHome(), "not a folder");
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForConnection());
  ASSERT_TRUE(waitForMenu());
  ASSERT_TRUE(sim->choose("Kestrix", "About..."));
  EXPECT_TRUE(waitForText("Kestrix driver v" KESTRIX_EXPECTED_VERSION "\n\t0 connected devices."));
}

}  // namespace e2e
