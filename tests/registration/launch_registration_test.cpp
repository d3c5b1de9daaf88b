// The order and the all-or-nothing rules of a registration run, with launch
// files that fail on purpose beside real ones.
#include <gtest/gtest.h>
#include <platform/user_notice.h>
#include <registration/launch_registration.h>
#include <registration/simulator_launch_file.h>

#include <filesystem>

#include "simulator_world.h"

namespace regtest {
namespace {

constexpr char kEntry[] = "KESTRIX Module";
constexpr char kAddFailure[] =
    "KESTRIX Module: Unable to add this module to the SimConnect file.  You will need to start the "
    "module manually.";

// Which steps of a scripted launch file succeed.
struct Script {
  bool loads = true, adds = true, saves = true;
};

// Writes every call into a shared journal; each step can be made to fail.
class ScriptedLaunchFile : public registration::LaunchFile {
 public:
  ScriptedLaunchFile(std::string name, std::vector<std::string>& journal, Script script = {})
      : name_(std::move(name)), journal_(journal), script_(script) {}

  bool load() override { return note("load", script_.loads); }
  bool addEntry(const std::string& entryName, const std::string& programPath, bool disabled,
                bool manualLoad) override {
    return note("add " + entryName + " " + programPath + (disabled ? " disabled" : "") +
                    (manualLoad ? " manual" : ""),
                script_.adds);
  }
  bool removeEntry(const std::string& entryName) override { return note("remove " + entryName, true); }
  bool save() override { return note("save", script_.saves); }

 private:
  bool note(const std::string& call, bool result) {
    journal_.push_back(name_ + ": " + call);
    return result;
  }
  std::string name_;
  std::vector<std::string>& journal_;
  Script script_;
};

class LaunchRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setNoticeSink([this](platform::NoticeKind, const std::string& caption, const std::string& text) {
      notices.push_back(caption + ": " + text);
    });
  }
  void TearDown() override { platform::setNoticeSink({}); }

  testsupport::TestEnvironment env;
  std::vector<std::string> journal;
  std::vector<std::string> notices;
};

TEST_F(LaunchRegistrationTest, AnAddThatFailsShowsTheMessageAndSavesNothing) {
  const std::string fsxFolder = env.root() + "/FSX/";
  const std::string original = launchFileWith({{"Other", "/other"}});
  for (bool failingFirst : {false, true}) {
    SCOPED_TRACE(failingFirst ? "failing file first" : "failing file last");
    journal.clear();
    notices.clear();
    testsupport::writeFile(fsxFolder + "EXE.XML", original);
    registration::SimulatorLaunchFile fsx(registration::SimulatorKind::FlightSimulatorX, fsxFolder);
    ScriptedLaunchFile failing("broken", journal, {.adds = false});
    std::vector<registration::LaunchFile*> files = {&fsx, &failing};
    if (failingFirst) std::swap(files[0], files[1]);

    EXPECT_FALSE(registration::registerLaunchEntryIn(files, kEntry, "/bin/kestrix-module"));
    EXPECT_EQ(notices, std::vector<std::string>{kAddFailure});
    EXPECT_EQ(journal, (std::vector<std::string>{"broken: load", "broken: add KESTRIX Module /bin/kestrix-module"}));
    EXPECT_EQ(testsupport::readFile(fsxFolder + "EXE.XML"), original);
  }
}

TEST_F(LaunchRegistrationTest, EveryFileIsLoadedButNoneIsWrittenWhenOneFailsToLoad) {
  ScriptedLaunchFile first("first", journal), broken("broken", journal, {.loads = false}),
      last("last", journal);
  EXPECT_FALSE(registration::registerLaunchEntryIn({&first, &broken, &last}, kEntry, "/p"));
  EXPECT_FALSE(registration::unregisterLaunchEntryIn({&first, &broken, &last}, kEntry));
  const std::vector<std::string> loadsOnly = {"first: load", "broken: load", "last: load"};
  std::vector<std::string> twice = loadsOnly;
  twice.insert(twice.end(), loadsOnly.begin(), loadsOnly.end());
  EXPECT_EQ(journal, twice);
}

TEST_F(LaunchRegistrationTest, AllFilesAreLoadedThenEditedThenSavedInOrderEvenAfterAFailedSave) {
  ScriptedLaunchFile first("first", journal, {.saves = false}), second("second", journal);
  EXPECT_FALSE(registration::registerLaunchEntryIn({&first, &second}, kEntry, "/p"));
  EXPECT_EQ(journal, (std::vector<std::string>{"first: load", "second: load", "first: add KESTRIX Module /p",
                                               "second: add KESTRIX Module /p", "first: save",
                                               "second: save"}));
  journal.clear();
  EXPECT_FALSE(registration::unregisterLaunchEntryIn({&first, &second}, kEntry));
  EXPECT_EQ(journal, (std::vector<std::string>{"first: load", "second: load", "first: remove KESTRIX Module",
                                               "second: remove KESTRIX Module", "first: save",
                                               "second: save"}));
  journal.clear();
  ScriptedLaunchFile fine("fine", journal);
  EXPECT_TRUE(registration::registerLaunchEntryIn({&fine, &second}, kEntry, "/p"));
  EXPECT_TRUE(registration::unregisterLaunchEntryIn({&fine, &second}, kEntry));
}

TEST_F(LaunchRegistrationTest, ALaunchFileThatCannotBeSavedSaysWhichAndWhy) {
  // A folder below a plain file cannot exist, whoever runs the test.
  testsupport::writeFile(env.root() + "/plain", "");
  const std::string folder = env.root() + "/plain/FSX/";
  registration::SimulatorLaunchFile fsx(registration::SimulatorKind::FlightSimulatorX, folder);
  ASSERT_TRUE(fsx.load());  // missing: the default document
  ASSERT_TRUE(fsx.addEntry(kEntry, "/p", false, false));
  EXPECT_FALSE(fsx.save());
  EXPECT_EQ(notices, std::vector<std::string>{"SimConnect Module Update - FSX: Error saving " + folder +
                                              "EXE.XML\nNot a directory"});
}

TEST_F(LaunchRegistrationTest, WithoutAnInstalledSimulatorNothingHappens) {
  EXPECT_TRUE(registration::registerLaunchEntryIn({}, kEntry, "/p"));
  EXPECT_TRUE(registration::registerLaunchEntry(kEntry));
  EXPECT_TRUE(registration::unregisterLaunchEntry(kEntry));
  EXPECT_EQ(notices, std::vector<std::string>{});
  EXPECT_EQ(filesBelow(env.root()), (std::vector<std::string>{"home/", "home/.config/", "run/"}));
}

}  // namespace
}  // namespace regtest
