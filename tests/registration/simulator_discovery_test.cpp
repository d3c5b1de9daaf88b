#include <gtest/gtest.h>
#include <registration/simulator_discovery.h>
#include <registration/simulator_installation.h>

#include <filesystem>

#include "simulator_world.h"

namespace regtest {
namespace {

using registration::SimulatorKind;

constexpr char kUser[] = "HKEY_CURRENT_USER";
constexpr char kMachine[] = "HKEY_LOCAL_MACHINE";

std::vector<int> discoveredKinds() {
  std::vector<int> kinds;
  for (const auto& file : registration::discoverSimulatorLaunchFiles().found)
    kinds.push_back(static_cast<int>(file->kind()));
  return kinds;
}

TEST(SimulatorDiscovery, FindsTheInstalledSimulatorsByTheirRegistryStrings) {
  struct Case {
    const char* what;
    std::vector<RegistryEntry> registry;
    std::vector<int> kinds;
  };
  const std::string steamKey = "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator - Steam Edition";
  const Case cases[] = {
      {"nothing installed", {}, {}},
      {"FSX by its machine SetupPath alone", {installedAt(kMachine, kFsxKey, "SetupPath")}, {1}},
      {"FSX by the user's AppPath", {installedAt(kUser, kFsxKey, "AppPath")}, {1}},
      {"FSX's value in the wrong hive", {installedAt(kUser, kFsxKey, "SetupPath")}, {}},
      {"a REG_DWORD at a tested name", {{kMachine, kFsxKey, "\"SetupPath\"=dword:00000001"}}, {}},
      {"a string without its NUL", {{kMachine, kFsxKey, "\"SetupPath\"=hex(1):43,3a"}}, {}},
      {"a REG_MULTI_SZ", {{kMachine, kFsxKey, "\"SetupPath\"=hex(7):43,00,00"}}, {}},
      {"a REG_EXPAND_SZ", {{kMachine, kFsxKey, "\"SetupPath\"=hex(2):43,00"}}, {1}},
      {"an empty string", {{kMachine, kFsxKey, "\"SetupPath\"=\"\""}}, {1}},
      {"a string of no bytes at all", {{kMachine, kFsxKey, "\"SetupPath\"=hex(1):"}}, {1}},
      {"the key without the value", {{kMachine, kFsxKey, "\"Other\"=\"C:\\\\\""}}, {}},
      {"ESP", {installedAt(kMachine, kEspKey, "SetupPath")}, {2}},
      {"the first Prepar3D counts for every later one", {installedAt(kUser, kPrepar3DKey, "AppPath")},
       {3, 4, 5, 6}},
      {"the first Prepar3D's key has no blank",
       {installedAt(kUser, "SOFTWARE\\Lockheed Martin\\Prepar3D", "AppPath")}, {}},
      {"Prepar3D v2", {installedAt(kMachine, kPrepar3Dv2Key, "SetupPath")}, {4, 5, 6}},
      {"only Prepar3D v3", {installedAt(kUser, kPrepar3Dv3Key, "AppPath")}, {5, 6}},
      {"Prepar3D v4", {installedAt(kMachine, kPrepar3Dv4Key, "SetupPath")}, {6}},
      {"FSX-SE by the user's Language", {installedAt(kUser, steamKey, "Language")}, {7}},
      {"FSX-SE by its 10.0 AppPath", {installedAt(kMachine, steamKey + "\\10.0", "AppPath")}, {7}},
      {"FSX-SE by Dovetail's install_path",
       {installedAt(kMachine, "SOFTWARE\\DovetailGames\\FSX", "install_path")}, {7}},
      {"FSX-SE by Steam's uninstall entry",
       {installedAt(kMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Steam App 314160",
                    "InstallLocation")},
       {7}},
      {"FSX and Prepar3D v4, in kind order",
       {installedAt(kMachine, kPrepar3Dv4Key, "SetupPath"), installedAt(kMachine, kFsxKey, "SetupPath")},
       {1, 6}},
      {"a path longer than the registry's longest string",
       {{kMachine, kFsxKey, "\"SetupPath\"=\"" + std::string(32767, 'x') + "\""}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testsupport::TestEnvironment env;
    writeRegistry(env, c.registry);
    EXPECT_EQ(discoveredKinds(), c.kinds);
    if (c.kinds.empty()) {
      EXPECT_EQ(filesBelow(env.appData()), std::vector<std::string>{}) << "no folder is created";
      EXPECT_EQ(filesBelow(env.programData()), std::vector<std::string>{});
    }
  }
}

TEST(SimulatorDiscovery, CreatesTheLaunchFileFolderOfEveryInstalledSimulator) {
  testsupport::TestEnvironment env;
  writeRegistry(env, {installedAt(kUser, kPrepar3Dv3Key, "AppPath")});
  ASSERT_EQ(discoveredKinds(), (std::vector<int>{5, 6}));
  EXPECT_EQ(filesBelow(env.programData()),
            (std::vector<std::string>{"Lockheed Martin/", "Lockheed Martin/Prepar3D v3/",
                                      "Lockheed Martin/Prepar3D v4/"}));
  EXPECT_EQ(filesBelow(env.appData()), std::vector<std::string>{});
}

TEST(SimulatorDiscovery, EveryKindHasItsLaunchFileAndCaption) {
  testsupport::TestEnvironment env;
  writeRegistry(env, {installedAt(kMachine, kFsxKey, "SetupPath"), installedAt(kMachine, kEspKey, "SetupPath"),
                      installedAt(kMachine, kPrepar3DKey, "SetupPath"),
                      installedAt(kMachine, "SOFTWARE\\DovetailGames\\FSX", "install_path")});
  struct Expected {
    std::string fullPath;
    const char* caption;
  };
  const Expected expected[] = {
      {env.appData() + "/Microsoft/FSX/EXE.XML", "SimConnect Module Update - FSX"},
      {env.appData() + "/Microsoft/ESP/EXE.XML", "SimConnect Module Update - ESP"},
      {env.appData() + "/Lockheed Martin/Prepar3D/EXE.XML", "SimConnect Module Update - Prepar3D"},
      {env.appData() + "/Lockheed Martin/Prepar3D v2/EXE.XML", "SimConnect Module Update - Prepar3D v2"},
      {env.programData() + "/Lockheed Martin/Prepar3D v3/EXE.XML", "SimConnect Module Update - Prepar3D v3"},
      {env.programData() + "/Lockheed Martin/Prepar3D v4/EXE.XML", "SimConnect Module Update - Prepar3D v4"},
      {env.appData() + "/Microsoft/FSX-SE/EXE.XML", "SimConnect Module Update - FSX-SE"},
  };
  auto files = std::move(registration::discoverSimulatorLaunchFiles().found);
  ASSERT_EQ(files.size(), std::size(expected));
  for (size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(static_cast<size_t>(files[i]->kind()), i + 1);
    EXPECT_EQ(files[i]->fileName(), "EXE.XML");
    EXPECT_EQ(files[i]->fullPath(), expected[i].fullPath);
    EXPECT_EQ(files[i]->caption(), expected[i].caption);
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(expected[i].fullPath).parent_path()));
    EXPECT_FALSE(std::filesystem::exists(expected[i].fullPath)) << "discovery writes no launch file";
  }
}

TEST(ReadRegistryString, ChecksTypeAndTerminationOfWhatItReads) {
  testsupport::TestEnvironment env;
  writeRegistry(env, {{kUser, "SOFTWARE\\Values",
                       "\"Path\"=\"C:\\\\FSX\"\n\"Empty\"=\"\"\n\"Expand\"=hex(2):25,54,25,00\n"
                       "\"Number\"=dword:00000010\n\"Open\"=hex(1):41,42\n\"NulInside\"=hex(1):41,00,42\n"
                       "\"Binary\"=hex:41,00"}});
  platform::RegistryKey key;
  ASSERT_EQ(platform::RegistryKey::open(platform::RegistryHive::CurrentUser, "SOFTWARE\\Values", key), 0u);
  struct Case {
    const char* name;
    size_t room;
    uint32_t status;
    const char* text;
  };
  const Case cases[] = {
      {"Path", 64, 0, "C:\\FSX"},
      {"Path", 7, 0, "C:\\FSX"},  // exactly the text and its NUL
      {"Path", 6, 234, nullptr},  // ERROR_MORE_DATA
      {"Empty", 64, 0, ""},
      {"Expand", 64, 0, "%T%"},
      {"Number", 64, 13, nullptr},  // ERROR_INVALID_DATA
      {"Open", 64, 13, nullptr},
      {"NulInside", 64, 13, nullptr},
      {"Binary", 64, 13, nullptr},
      {"Absent", 64, 2, nullptr},  // ERROR_FILE_NOT_FOUND
  };
  for (const Case& c : cases) {
    std::string buffer(c.room, '\x7f');
    EXPECT_EQ(registration::readRegistryString(key, c.name, buffer), c.status) << c.name << " " << c.room;
    if (c.text) {
      EXPECT_STREQ(buffer.c_str(), c.text) << c.name;
    }
  }
}

}  // namespace
}  // namespace regtest
