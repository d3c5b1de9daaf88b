// Registration runs on real launch files in a temporary folder.
#include <gtest/gtest.h>
#include <platform/user_notice.h>
#include <registration/launch_registration.h>
#include <registration/simulator_launch_file.h>

#include <filesystem>

#include "simulator_world.h"
#include "strict_xml.h"

namespace regtest {
namespace {

using registration::SimulatorKind;
using registration::SimulatorLaunchFile;

constexpr char kEntry[] = "KESTRIX Module";
constexpr char kProgram[] = "/opt/kestrix/bin/kestrix-module";

LaunchAddon ourEntry(const std::string& path = kProgram) {
  return {kEntry, "False", "False", "", path, {"Name", "Disabled", "ManualLoad", "CommandLine", "Path"}};
}

LaunchAddon foreignEntry(const std::string& name, const std::string& path) {
  return {name, "False", "", "", path, {"Name", "Disabled", "Path"}};
}

class LaunchFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(folder());
    platform::setNoticeSink([this](platform::NoticeKind, const std::string& caption, const std::string& text) {
      notices.push_back(caption + ": " + text);
    });
  }
  void TearDown() override { platform::setNoticeSink({}); }

  std::string folder() const { return env.root() + "/FSX/"; }
  std::string launchFile() const { return folder() + "EXE.XML"; }

  void registerOnce(const std::string& program = kProgram) {
    SimulatorLaunchFile file(SimulatorKind::FlightSimulatorX, folder());
    registration::registerLaunchEntryIn({&file}, kEntry, program);
  }
  void unregisterOnce() {
    SimulatorLaunchFile file(SimulatorKind::FlightSimulatorX, folder());
    registration::unregisterLaunchEntryIn({&file}, kEntry);
  }

  testsupport::TestEnvironment env;
  std::vector<std::string> notices;
};

TEST_F(LaunchFileTest, AMissingFileBecomesTheDefaultDocumentWithTheEntryAndThenTheDefaultAlone) {
  registerOnce();
  EXPECT_EQ(testsupport::readFile(launchFile()),
            "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\n"
            "<SimBase.Document Type=\"Launch\" version=\"1,0\">\n"
            "\t<Descr>Launch</Descr>\n"
            "\t<Filename>EXE.XML</Filename>\n"
            "\t<Disabled>False</Disabled>\n"
            "\t<Launch.ManualLoad>False</Launch.ManualLoad>\n"
            "\t<Launch.Addon>\n"
            "\t\t<Name>KESTRIX Module</Name>\n"
            "\t\t<Disabled>False</Disabled>\n"
            "\t\t<ManualLoad>False</ManualLoad>\n"
            "\t\t<CommandLine></CommandLine>\n"
            "\t\t<Path>/opt/kestrix/bin/kestrix-module</Path>\n"
            "\t</Launch.Addon>\n"
            "</SimBase.Document>\n");
  unregisterOnce();
  EXPECT_EQ(testsupport::readFile(launchFile()), kSavedDefaultDocument);

  std::filesystem::remove(launchFile());
  unregisterOnce();
  EXPECT_EQ(testsupport::readFile(launchFile()), kSavedDefaultDocument)
      << "unregistering also writes the default document";
  EXPECT_EQ(notices, std::vector<std::string>{});
}

TEST_F(LaunchFileTest, RegisteringAgainLeavesOneEntryAsTheLastChildOfTheRoot) {
  testsupport::writeFile(launchFile(), launchFileWith({{kEntry, "/old/kestrix-module"}, {"Other", "/other"}}));
  registerOnce();
  registerOnce();
  EXPECT_EQ(rootChildren(launchFile()),
            (std::vector<std::string>{"Descr", "Filename", "Launch.Addon", "Launch.Addon"}));
  EXPECT_EQ(addonsOf(launchFile()), (std::vector<LaunchAddon>{foreignEntry("Other", "/other"), ourEntry()}));
}

TEST_F(LaunchFileTest, OnlyTheFirstEntryOfTheNameIsReplacedOrRemoved) {
  const std::string twoEntries =
      launchFileWith({{kEntry, "/first"}, {"Other", "/other"}, {kEntry, "/second"}});
  testsupport::writeFile(launchFile(), twoEntries);
  registerOnce();
  EXPECT_EQ(addonsOf(launchFile()), (std::vector<LaunchAddon>{foreignEntry("Other", "/other"),
                                                              foreignEntry(kEntry, "/second"), ourEntry()}));

  testsupport::writeFile(launchFile(), twoEntries);
  unregisterOnce();
  EXPECT_EQ(addonsOf(launchFile()),
            (std::vector<LaunchAddon>{foreignEntry("Other", "/other"), foreignEntry(kEntry, "/second")}));
}

TEST_F(LaunchFileTest, AnEntryWhoseNameDiffersInAnyWayIsNotOurs) {
  const std::vector<std::pair<std::string, std::string>> lookAlikes = {
      {"kestrix module", "/lower"}, {"KESTRIX  Module", "/two blanks"}, {" KESTRIX Module", "/leading blank"},
      {"KESTRIX Module\"]", "/quote"}};
  testsupport::writeFile(launchFile(), launchFileWith(lookAlikes));
  unregisterOnce();
  std::vector<LaunchAddon> expected;
  for (const auto& [name, path] : lookAlikes) expected.push_back(foreignEntry(name, path));
  EXPECT_EQ(addonsOf(launchFile()), expected);
}

TEST_F(LaunchFileTest, WhatElseTheFileHoldsSurvivesByteForByte) {
  // A Windows-1252 file with non-ASCII names and a comment.
  const std::string original =
      "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\n"
      "<SimBase.Document Type=\"Launch\" version=\"1,0\">\n"
      "\t<!-- Andr\xe9's add-ons \x80 -->\n"
      "\t<Launch.Addon>\n"
      "\t\t<Name>Caf\xe9 Panel</Name>\n"
      "\t\t<Path>C:\\Program Files\\Caf\xe9\\panel.exe</Path>\n"
      "\t</Launch.Addon>\n"
      "</SimBase.Document>\n";
  testsupport::writeFile(launchFile(), original);
  registerOnce("/opt/\u00e9t\u00e9/kestrix-module");
  unregisterOnce();
  EXPECT_EQ(testsupport::readFile(launchFile()), original);
}

TEST_F(LaunchFileTest, AProgramPathBeyondLatin1IsWrittenSoThatItReadsBackWhole) {
  for (const char* path : {"/home/\u0142ukasz/kestrix-module", "/home/J\u00fcrgen/Fl\u00fcge/kestrix-module"}) {
    SCOPED_TRACE(path);
    std::filesystem::remove(launchFile());
    registerOnce(path);
    EXPECT_EQ(addonsOf(launchFile()), std::vector<LaunchAddon>{ourEntry(path)});
    EXPECT_EQ(testsupport::strictXmlProblem(testsupport::readFile(launchFile())), "");
  }
}

TEST_F(LaunchFileTest, AProgramPathThatIsNoTextIsRefusedAndTheFileKept) {
  const std::string original = launchFileWith({{"Other", "/other"}});
  const struct {
    const char* what;
    std::string path;
  } cases[] = {
      {"bytes that are no UTF-8", "/home/\xC0\xBC/kestrix-module"},
      {"a Latin-1 byte", "/home/J\xFCrgen/kestrix-module"},
      {"a control character", "/home/a\x01b/kestrix-module"},
      {"a carriage return", "/home/a\rb/kestrix-module"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testsupport::writeFile(launchFile(), original);
    notices.clear();
    SimulatorLaunchFile file(SimulatorKind::FlightSimulatorX, folder());
    EXPECT_FALSE(registration::registerLaunchEntryIn({&file}, kEntry, c.path));
    EXPECT_EQ(testsupport::readFile(launchFile()), original);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].rfind("KESTRIX Module: Unable to add this module to the SimConnect file: its path is not "
                               "text that EXE.XML can hold.",
                               0),
              0u)
        << notices[0];
  }
  EXPECT_EQ(notices.back().substr(notices.back().find('\n') + 1), "/home/a\\x0Db/kestrix-module");
}

TEST_F(LaunchFileTest, AFileThatCannotBeParsedIsReportedUnderTheSimulatorsCaptionAndKept) {
  const std::string broken = "<?xml version=\"1.0\"?>\n<SimBase.Document>\n<Launch.Addon>\n</SimBase.Document>\n";
  testsupport::writeFile(launchFile(), broken);
  SimulatorLaunchFile file(SimulatorKind::Prepar3Dv4, folder());
  EXPECT_FALSE(file.load());
  registerOnce();
  unregisterOnce();
  ASSERT_EQ(notices.size(), 3u);
  EXPECT_EQ(notices[0],
            "SimConnect Module Update - Prepar3D v4: Error loading EXE.XML at line 4\nStart-end tags mismatch");
  EXPECT_EQ(notices[1],
            "SimConnect Module Update - FSX: Error loading EXE.XML at line 4\nStart-end tags mismatch");
  EXPECT_EQ(testsupport::readFile(launchFile()), broken);
}

TEST_F(LaunchFileTest, ALaunchFileThatExistsButCannotBeReadIsNeverTakenForAMissingOne) {
  std::filesystem::create_directories(launchFile() + "/inside");  // a folder where the file belongs
  registerOnce();
  unregisterOnce();
  const std::string unreadable = "SimConnect Module Update - FSX: Error loading EXE.XML at line 0\nThe file cannot be read.";
  EXPECT_EQ(notices, (std::vector<std::string>{unreadable, unreadable}));
  EXPECT_EQ(filesBelow(folder()), (std::vector<std::string>{"EXE.XML/", "EXE.XML/inside/"}));
}

TEST_F(LaunchFileTest, AnEntryNeedsALoadedDocument) {
  SimulatorLaunchFile file(SimulatorKind::FlightSimulatorX, folder());
  EXPECT_FALSE(file.addEntry(kEntry, kProgram, false, false));
  EXPECT_TRUE(file.removeEntry(kEntry));
  EXPECT_FALSE(file.save());
  EXPECT_FALSE(std::filesystem::exists(launchFile()));
}

TEST_F(LaunchFileTest, TheFlagsAreWrittenAsTrueOrFalse) {
  SimulatorLaunchFile file(SimulatorKind::FlightSimulatorX, folder());
  ASSERT_TRUE(file.load());
  ASSERT_TRUE(file.addEntry("Flagged", "/p", true, true));
  ASSERT_TRUE(file.save());
  EXPECT_EQ(addonsOf(launchFile()),
            (std::vector<LaunchAddon>{{"Flagged", "True", "True", "", "/p", ourEntry().fields}}));
}

}  // namespace
}  // namespace regtest
