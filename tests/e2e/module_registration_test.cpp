// "/RegisterFSx" and "/UnregisterFSx" through the real program, against a
// registry, APPDATA and PROGRAMDATA of the test's own.
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "module_fixture.h"
#include "simulator_world.h"
#include "strict_xml.h"

namespace e2e {
namespace {

using regtest::LaunchAddon;

constexpr char kMachine[] = "HKEY_LOCAL_MACHINE";
constexpr char kUser[] = "HKEY_CURRENT_USER";
constexpr char kLoadErrorOfPrepar3Dv4[] =
    "SimConnect Module Update - Prepar3D v4: Error loading EXE.XML at line 3\nStart-end tags mismatch\n";
constexpr char kMalformed[] = "<?xml version=\"1.0\"?>\n<SimBase.Document>\n</Launch>\n";

// How a run of the program ended and what it wrote.
struct Outcome {
  std::optional<int> exitCode;
  std::string output;
  bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& run, std::ostream* out) {
  *out << "exit " << (run.exitCode ? std::to_string(*run.exitCode) : "none") << ", output \"" << run.output
       << "\"";
}

const Outcome kQuietSuccess{0, ""};

class ModuleRegistrationTest : public ModuleTest {
 protected:
  // environment: set on top of the world's; an empty value unsets the name.
  Outcome runModule(const std::string& argument,
                    const std::vector<std::pair<std::string, std::string>>& environment = {}) {
    platform::ChildProcess::Options options;
    options.program = testsupport::programPath("kestrix-module");
    options.arguments = {argument};
    options.environment = env.childEnvironment();
    for (const auto& [name, value] : environment) {
      std::erase_if(options.environment, [&](const auto& set) { return set.first == name; });
      if (value.empty())
        options.unsetEnvironment.push_back(name);
      else
        options.environment.emplace_back(name, value);
    }
    options.workingFolder = env.root();
    auto process = platform::ChildProcess::start(options);
    if (!process) return {};
    Outcome run;
    run.exitCode = process->waitForExit(kDeadline);
    run.output = process->output();
    return run;
  }
  void install(const std::vector<regtest::RegistryEntry>& entries) { regtest::writeRegistry(env, entries); }
  void installFsxAndPrepar3Dv4() {
    install({regtest::installedAt(kMachine, regtest::kFsxKey, "SetupPath"),
             regtest::installedAt(kMachine, regtest::kPrepar3Dv4Key, "SetupPath")});
  }
  void installFsx() { install({regtest::installedAt(kMachine, regtest::kFsxKey, "SetupPath")}); }
  std::string fsxFile() const { return regtest::fsxLaunchFile(env); }

  static LaunchAddon ourEntry() {
    return {"KESTRIX Module", "False", "False", "",
            std::filesystem::canonical(testsupport::programPath("kestrix-module")).string(),
            {"Name", "Disabled", "ManualLoad", "CommandLine", "Path"}};
  }
  static LaunchAddon foreignEntry(const std::string& name, const std::string& path) {
    return {name, "False", "", "", path, {"Name", "Disabled", "Path"}};
  }
};

TEST_F(ModuleRegistrationTest, TheInstalledSimulatorsDecideWhichLaunchFilesAreWritten) {
  struct Case {
    const char* what;
    std::vector<regtest::RegistryEntry> registry;
    std::vector<std::string> appDataFiles, programDataFiles;
  };
  const std::vector<std::string> fsxFiles = {"Microsoft/", "Microsoft/FSX/", "Microsoft/FSX/EXE.XML"};
  const Case cases[] = {
      {"nothing installed", {}, {}, {}},
      {"FSX by its machine SetupPath alone", {regtest::installedAt(kMachine, regtest::kFsxKey, "SetupPath")},
       fsxFiles, {}},
      {"a REG_DWORD at a tested name", {{kMachine, regtest::kFsxKey, "\"SetupPath\"=dword:00000001"}}, {}, {}},
      {"an empty string", {{kMachine, regtest::kFsxKey, "\"SetupPath\"=\"\""}}, fsxFiles, {}},
      {"only Prepar3D v3",
       {regtest::installedAt(kUser, regtest::kPrepar3Dv3Key, "AppPath")},
       {},
       {"Lockheed Martin/", "Lockheed Martin/Prepar3D v3/", "Lockheed Martin/Prepar3D v3/EXE.XML",
        "Lockheed Martin/Prepar3D v4/", "Lockheed Martin/Prepar3D v4/EXE.XML"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(env.root() + "/registry");
    std::filesystem::remove_all(env.appData());
    std::filesystem::remove_all(env.programData());
    install(c.registry);
    EXPECT_EQ(runModule("/RegisterFSx"), kQuietSuccess);
    EXPECT_EQ(regtest::filesBelow(env.appData()), c.appDataFiles);
    EXPECT_EQ(regtest::filesBelow(env.programData()), c.programDataFiles);
    for (const auto& [folder, files] : {std::pair{env.appData(), c.appDataFiles},
                                        std::pair{env.programData(), c.programDataFiles}}) {
      for (const auto& file : files) {
        if (file.ends_with(".XML")) {
          EXPECT_EQ(regtest::addonsOf(folder + "/" + file), std::vector{ourEntry()}) << file;
        }
      }
    }
  }
}

TEST_F(ModuleRegistrationTest, AMissingLaunchFileBecomesTheDefaultDocumentWithTheEntryThenWithout) {
  installFsx();
  ASSERT_EQ(runModule("/RegisterFSx"), kQuietSuccess);
  EXPECT_EQ(testsupport::strictXmlProblem(testsupport::readFile(fsxFile())), "");
  EXPECT_EQ(regtest::rootChildren(fsxFile()),
            (std::vector<std::string>{"Descr", "Filename", "Disabled", "Launch.ManualLoad", "Launch.Addon"}));
  EXPECT_EQ(regtest::addonsOf(fsxFile()), std::vector{ourEntry()});
  ASSERT_EQ(runModule("/UnregisterFSx"), kQuietSuccess);
  EXPECT_EQ(testsupport::readFile(fsxFile()), regtest::kSavedDefaultDocument);
}

TEST_F(ModuleRegistrationTest, RegisteringTwiceLeavesOneEntryNowTheLastChildOfTheRoot) {
  installFsx();
  testsupport::writeFile(fsxFile(), regtest::launchFileWith({{"KESTRIX Module", "/old"}, {"Other", "/other"}}));
  ASSERT_EQ(runModule("/RegisterFSx"), kQuietSuccess);
  ASSERT_EQ(runModule("/registerfsx"), kQuietSuccess);
  EXPECT_EQ(regtest::rootChildren(fsxFile()),
            (std::vector<std::string>{"Descr", "Filename", "Launch.Addon", "Launch.Addon"}));
  EXPECT_EQ(regtest::addonsOf(fsxFile()), (std::vector{foreignEntry("Other", "/other"), ourEntry()}));
}

TEST_F(ModuleRegistrationTest, OfTwoEntriesOfTheNameOnlyTheFirstIsReplacedOrRemoved) {
  installFsx();
  const std::string twoEntries = regtest::launchFileWith(
      {{"KESTRIX Module", "/first"}, {"kestrix module", "/lower case"}, {"KESTRIX Module", "/second"}});
  testsupport::writeFile(fsxFile(), twoEntries);
  ASSERT_EQ(runModule("/RegisterFSx"), kQuietSuccess);
  EXPECT_EQ(regtest::addonsOf(fsxFile()),
            (std::vector{foreignEntry("kestrix module", "/lower case"), foreignEntry("KESTRIX Module", "/second"),
                         ourEntry()}));

  testsupport::writeFile(fsxFile(), twoEntries);
  ASSERT_EQ(runModule("/UnregisterFSx"), kQuietSuccess);
  EXPECT_EQ(regtest::addonsOf(fsxFile()),
            (std::vector{foreignEntry("kestrix module", "/lower case"), foreignEntry("KESTRIX Module", "/second")}))
      << "the entry in other letter case is not ours";
}

TEST_F(ModuleRegistrationTest, AMalformedLaunchFileStopsTheRunBeforeAnyFileIsWritten) {
  install({regtest::installedAt(kMachine, regtest::kFsxKey, "SetupPath"),
           regtest::installedAt(kMachine, regtest::kPrepar3Dv4Key, "SetupPath")});
  const std::string fsxContent = regtest::launchFileWith({{"KESTRIX Module", "/old"}, {"Other", "/other"}});
  for (const char* argument : {"/RegisterFSx", "/UnregisterFSx"}) {
    SCOPED_TRACE(argument);
    testsupport::writeFile(fsxFile(), fsxContent);
    testsupport::writeFile(regtest::prepar3Dv4LaunchFile(env), kMalformed);
    EXPECT_EQ(runModule(argument), (Outcome{2, kLoadErrorOfPrepar3Dv4}));
    EXPECT_EQ(testsupport::readFile(fsxFile()), fsxContent);
    EXPECT_EQ(testsupport::readFile(regtest::prepar3Dv4LaunchFile(env)), kMalformed);

    // A missing FSX file stays missing too.
    std::filesystem::remove(fsxFile());
    EXPECT_EQ(runModule(argument), (Outcome{2, kLoadErrorOfPrepar3Dv4}));
    EXPECT_FALSE(std::filesystem::exists(fsxFile()));
  }
}

TEST_F(ModuleRegistrationTest, UnregisteringWorksWhileASessionRuns) {
  installFsx();
  ASSERT_EQ(runModule("/RegisterFSx"), kQuietSuccess);
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForConnection());
  EXPECT_EQ(runModule("/UnregisterFSx"), kQuietSuccess);
  EXPECT_EQ(regtest::addonsOf(fsxFile()), std::vector<LaunchAddon>{});
  EXPECT_EQ(runModule("/RegisterFSx"), kQuietSuccess);
  EXPECT_EQ(regtest::addonsOf(fsxFile()), std::vector{ourEntry()});
  EXPECT_TRUE(module->running());
}

TEST_F(ModuleRegistrationTest, AProgramThatDiesWhileSavingLeavesTheOldLaunchFileWhole) {
  installFsx();
  // Longer than the file size the program may write below.
  std::vector<std::pair<std::string, std::string>> entries;
  for (int i = 0; i < 20; ++i) entries.emplace_back("Add-on " + std::to_string(i), "/opt/addon" + std::to_string(i));
  const std::string old = regtest::launchFileWith(entries);
  testsupport::writeFile(fsxFile(), old);

  // The shell's limit is in blocks of 512 bytes: the save's first write
  // past it kills the program with SIGXFSZ, mid-file, as a crash would.
  platform::ChildProcess::Options options;
  options.program = "/bin/sh";
  options.arguments = {"-c", "ulimit -f 1 && exec \"$0\" /RegisterFSx",
                       testsupport::programPath("kestrix-module")};
  options.environment = env.childEnvironment();
  options.workingFolder = env.root();
  auto process = platform::ChildProcess::start(options);
  ASSERT_TRUE(process);
  EXPECT_EQ(process->waitForExit(kDeadline), std::optional<int>(128 + SIGXFSZ));
  EXPECT_EQ(testsupport::readFile(fsxFile()), old);

  // Without the limit the same run does write the file.
  ASSERT_EQ(runModule("/RegisterFSx"), kQuietSuccess);
  EXPECT_EQ(regtest::addonsOf(fsxFile()).back(), ourEntry());
}

TEST_F(ModuleRegistrationTest, ASimulatorWhoseFolderVariableIsUnsetIsSkippedAndNamed) {
  installFsxAndPrepar3Dv4();
  // Without the variable the folder would start at the file system's root.
  const bool rootFolderBefore = std::filesystem::exists("/Microsoft");
  for (const char* argument : {"/RegisterFSx", "/UnregisterFSx"}) {
    SCOPED_TRACE(argument);
    EXPECT_EQ(runModule(argument, {{"APPDATA", ""}}),
              (Outcome{2,
                       "SimConnect Module Update - FSX: Cannot find EXE.XML: the environment variable "
                       "APPDATA is not set, so this simulator is skipped.\n"}));
    EXPECT_EQ(std::filesystem::exists("/Microsoft"), rootFolderBefore);
  }
  EXPECT_FALSE(std::filesystem::exists(fsxFile()));
  // The other simulator was still served: registered, then unregistered.
  EXPECT_EQ(testsupport::readFile(regtest::prepar3Dv4LaunchFile(env)), regtest::kSavedDefaultDocument);

  EXPECT_EQ(runModule("/RegisterFSx", {{"PROGRAMDATA", ""}}),
            (Outcome{2,
                     "SimConnect Module Update - Prepar3D v4: Cannot find EXE.XML: the environment "
                     "variable PROGRAMDATA is not set, so this simulator is skipped.\n"}));
  EXPECT_EQ(regtest::addonsOf(fsxFile()), std::vector{ourEntry()});
}

TEST_F(ModuleRegistrationTest, ALaunchFileThatCannotBeSavedIsReportedAndTheOthersAreStillSaved) {
  installFsxAndPrepar3Dv4();
  // A folder below a plain file can be made by nobody, not even root.
  testsupport::writeFile(env.root() + "/plain", "");
  const std::string appData = env.root() + "/plain/appdata";
  EXPECT_EQ(runModule("/RegisterFSx", {{"APPDATA", appData}}),
            (Outcome{2, "SimConnect Module Update - FSX: Error saving " + appData +
                            "/Microsoft/FSX/EXE.XML\nNot a directory\n"}));
  EXPECT_EQ(regtest::addonsOf(regtest::prepar3Dv4LaunchFile(env)), std::vector{ourEntry()});
}

TEST_F(ModuleRegistrationTest, AProgramPathThatIsNoTextIsRefusedAndTheLaunchFileKept) {
  installFsx();
  const std::string original = regtest::launchFileWith({{"Other", "/other"}});
  testsupport::writeFile(fsxFile(), original);
  // Any byte but '/' and NUL may name a folder on Linux; these two are no
  // UTF-8 at all.
  const std::string folder = env.root() + "/bad\xC0\xBCname";
  std::filesystem::create_directories(folder);
  const std::string copy = folder + "/kestrix-module";
  std::filesystem::copy_file(testsupport::programPath("kestrix-module"), copy);
  platform::ChildProcess::Options options;
  options.program = copy;
  options.arguments = {"/RegisterFSx"};
  options.environment = env.childEnvironment();
  options.workingFolder = env.root();
  auto process = platform::ChildProcess::start(options);
  ASSERT_TRUE(process);
  EXPECT_EQ(process->waitForExit(kDeadline), std::optional<int>(2));
  EXPECT_NE(process->output().find("KESTRIX Module: Unable to add this module to the SimConnect file: its path is "
                                   "not text that EXE.XML can hold."),
            std::string::npos)
      << process->output();
  EXPECT_EQ(testsupport::readFile(fsxFile()), original);

  // A path of real text beyond ASCII is written, and any reader takes the file.
  const std::string textFolder = env.root() + "/Fl\u00fcge \u0142ukasz";
  std::filesystem::create_directories(textFolder);
  std::filesystem::copy_file(copy, textFolder + "/kestrix-module");
  options.program = textFolder + "/kestrix-module";
  process = platform::ChildProcess::start(options);
  ASSERT_TRUE(process);
  EXPECT_EQ(process->waitForExit(kDeadline), std::optional<int>(0)) << process->output();
  EXPECT_EQ(regtest::addonsOf(fsxFile()).back().path, options.program);
  EXPECT_EQ(testsupport::strictXmlProblem(testsupport::readFile(fsxFile())), "");
}

TEST_F(ModuleRegistrationTest, TheDriverAndTheBridgeRegisteringAtOnceKeepBothEntries) {
  installFsxAndPrepar3Dv4();
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE(round);
    std::filesystem::remove(fsxFile());
    std::filesystem::remove(regtest::prepar3Dv4LaunchFile(env));
    auto driver = startModule({"/RegisterFSx"});
    auto bridge = testsupport::startProgramIn(env, testsupport::programPath("squarix"), {"/RegisterFSx"});
    ASSERT_TRUE(driver && bridge);
    EXPECT_EQ(driver->waitForExit(kDeadline), std::optional<int>(0));
    EXPECT_EQ(bridge->waitForExit(kDeadline), std::optional<int>(0));
    for (const std::string& file : {fsxFile(), regtest::prepar3Dv4LaunchFile(env)}) {
      std::vector<std::string> names;
      for (const auto& addon : regtest::addonsOf(file)) names.push_back(addon.name);
      std::sort(names.begin(), names.end());
      EXPECT_EQ(names, (std::vector<std::string>{"KESTRIX Module", "Squarix"})) << file;
    }
  }
}

TEST_F(ModuleRegistrationTest, ASignalledSideRunEndsItselfAndLeavesTheRunningDriverAlone) {
  installFsx();
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForMenu());

  // A launch file that is a pipe holds the side run in its load until the
  // signal comes.
  std::filesystem::create_directories(std::filesystem::path(fsxFile()).parent_path());
  ASSERT_EQ(mkfifo(fsxFile().c_str(), 0600), 0);
  auto sideRun = startModule({"/RegisterFSx"});
  ASSERT_TRUE(sideRun);
  ASSERT_TRUE(testsupport::eventually(
      [&] {
        std::string waitingIn = testsupport::readFile("/proc/" + std::to_string(sideRun->pid()) + "/wchan");
        return waitingIn.find("partner") != std::string::npos || waitingIn.find("fifo") != std::string::npos;
      },
      kDeadline));
  sideRun->requestStop();
  EXPECT_EQ(sideRun->waitForExit(kDeadline), std::optional<int>(128 + SIGTERM));

  // The running driver still answers, on its first connection.
  ASSERT_TRUE(sim->choose("Kestrix", "About..."));
  EXPECT_TRUE(waitForText("Kestrix driver v" KESTRIX_EXPECTED_VERSION "\n\t0 connected devices."));
  EXPECT_TRUE(module->running());
  ASSERT_EQ(sim->clients().size(), 1u);
  EXPECT_TRUE(sim->clients().front().connected);
}

}  // namespace
}  // namespace e2e
