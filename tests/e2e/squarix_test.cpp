// The real squarix process: entry, session, configuration chooser and the
// transponder events turned into FSUIPC writes.
#include <simconnect/local_pipe.h>
#include <simconnect/wire.h>

#include <filesystem>

#include "remembered_config.h"
#include "simulator_world.h"
#include "squarix_fixture.h"

namespace e2e {
namespace {

using simconnect::wire::CallType;
using namespace std::chrono_literals;

const std::string kTcasModule = R"(<module name="TCAS">
  <function name="TARA"><fsuipc offset="66C0" size="1" data="2"/></function>
  <function name="TA"><fsuipc offset="66C0" size="1" data="1"/></function>
  <function name="LEFT"><fsuipc offset="66C1" size="1" data="1"/></function>
  <function name="AUTO"><fsuipc offset="66C2" size="2" data="-1"/></function>
  <function name="IDENTPRESSED"><fsuipc offset="66C3" size="1" data="1"/></function>
  <function name="IDENTRELEASED"><fsuipc offset="66C3" size="1" data="0"/></function>
  <function><fsuipc offset="66C4" size="1" data="9"/></function>
</module>)";

TEST_F(SquarixTest, ConnectsAddsItsMenuAndListensForTheTransponderEvents) {
  writeModules(kTcasModule);
  remember("TCAS");
  startLab();
  startTheBridge();
  ASSERT_TRUE(waitForConnection());
  ASSERT_TRUE(waitForMenu());
  EXPECT_EQ(bridgeMenu(),
            (std::vector<std::string>{"Squarix [0]", "  About... [1]", "  Change configuraiton [11]"}));

  // Every set-up call, in order, before anything else is looked at.
  auto call = [](CallType type) { return static_cast<uint32_t>(type); };
  std::vector<uint32_t> setUp = {
      call(CallType::MenuAddItem), call(CallType::MenuAddSubItem), call(CallType::MenuAddSubItem),
      call(CallType::SubscribeToSystemEvent), call(CallType::SubscribeToSystemEvent),
      call(CallType::RequestSystemState),
      call(CallType::MapClientEventToSimEvent), call(CallType::MapClientEventToSimEvent),
      call(CallType::MapClientEventToSimEvent), call(CallType::MapClientEventToSimEvent),
      call(CallType::AddClientEventToNotificationGroup), call(CallType::AddClientEventToNotificationGroup),
      call(CallType::AddClientEventToNotificationGroup), call(CallType::AddClientEventToNotificationGroup),
      call(CallType::SetNotificationGroupPriority)};
  std::vector<uint32_t> calls;
  ASSERT_TRUE(sim->waitUntil(
      [&] {
        calls.clear();
        for (const auto& r : sim->requests())
          if (r.clientName == "Squarix") calls.push_back(r.callType);
        return calls.size() >= setUp.size();
      },
      kBridgeDeadline));
  EXPECT_EQ(std::vector<uint32_t>(calls.begin(), calls.begin() + setUp.size()), setUp);
  std::vector<std::string> subscriptions;
  for (const auto& s : sim->subscriptions())
    if (s.clientName == "Squarix") subscriptions.push_back(s.name + " " + std::to_string(s.eventId));
  EXPECT_EQ(subscriptions, (std::vector<std::string>{"SimStart 3", "SimStop 4"}));
  std::vector<std::string> mappings;
  for (const auto& m : sim->eventMappings())
    if (m.clientName == "Squarix")
      mappings.push_back(m.name + " " + std::to_string(m.eventId) + " group " +
                         (m.groupIds.size() == 1 ? std::to_string(m.groupIds[0]) : "?"));
  EXPECT_EQ(mappings, (std::vector<std::string>{
                          "ZRQ-XPNDR.Mode 6 group 0", "ZRQ-XPNDR.Position 7 group 0",
                          "ZRQ-XPNDR.Status 8 group 0", "ZRQ-XPNDR.Ident 9 group 0"}));
  EXPECT_TRUE(sim->exceptions().empty());

  // A flight was running: the remembered module is loaded, no chooser.
  TransponderSender panel;
  ASSERT_TRUE(panel.open());
  fsuipc.clearWrites();
  struct Step {
    const char* event;
    uint32_t data;
    uint32_t offset;
    std::vector<uint8_t> bytes;
  } steps[] = {
      {"ZRQ-XPNDR.Mode", 3, 0x66C0, {2}},          {"ZRQ-XPNDR.Mode", 2, 0x66C0, {1}},
      {"ZRQ-XPNDR.Position", 1, 0x66C1, {1}},      {"ZRQ-XPNDR.Status", 2, 0x66C2, {0xFF, 0xFF}},
      {"ZRQ-XPNDR.Ident", 1, 0x66C3, {1}},         {"ZRQ-XPNDR.Ident", 0, 0x66C3, {0}},
      {"ZRQ-XPNDR.Ident", 2, 0x66C3, {0}},         {"ZRQ-XPNDR.Mode", 9, 0x66C4, {9}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(std::string(step.event) + " " + std::to_string(step.data));
    size_t before = functionWrites().size();
    ASSERT_TRUE(panel.send(step.event, step.data));
    ASSERT_TRUE(waitForFunctionWrites(before));
    auto write = functionWrites().back();
    EXPECT_EQ(write.offset, step.offset);
    EXPECT_EQ(write.bytes, step.bytes);
  }
  EXPECT_TRUE(sim->openMenuText("Squarix") == std::nullopt);
}

TEST_F(SquarixTest, TheChooserComesUpWithoutARememberedModuleAndAChoiceTakesEffect) {
  writeModules(R"(<module name="A"><function name="TARA"><fsuipc offset="66C0" size="1" data="1"/></function></module>
                  <module><function name="TARA"><fsuipc offset="66C0" size="1" data="2"/></function></module>
                  <module name="B"><function name="TARA"><fsuipc offset="66C0" size="1" data="3"/></function></module>)");
  startLab();
  startTheBridge();
  ASSERT_TRUE(sim->waitUntil([&] { return sim->openMenuText("Squarix").has_value(); }, kBridgeDeadline));
  auto chooser = *sim->openMenuText("Squarix");
  EXPECT_EQ(chooser.text, "Squarix Configuration");
  EXPECT_EQ(chooser.prompt, "Please choose one of the available configurations:");
  EXPECT_EQ(chooser.menuItems, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(chooser.eventId, 10u);

  TransponderSender panel;
  ASSERT_TRUE(panel.open());
  ASSERT_TRUE(panel.send("ZRQ-XPNDR.Mode", 3));  // no module yet: nothing happens
  // Once the simulator has passed the event on, the choice comes after it.
  ASSERT_TRUE(sim->waitUntil(
      [&] {
        for (const auto& e : sim->events())
          if (e.name == "ZRQ-XPNDR.Mode") return true;
        return false;
      },
      kBridgeDeadline));

  ASSERT_TRUE(sim->choose("Squarix", "1"));
  ASSERT_TRUE(testsupport::eventually([] { return readRememberedConfig() == std::optional<std::string>("B"); }));
  ASSERT_TRUE(panel.send("ZRQ-XPNDR.Mode", 3));
  ASSERT_TRUE(waitForFunctionWrites(0));
  EXPECT_EQ(functionWrites().size(), 1u) << "the event before the choice did nothing";
  EXPECT_EQ(functionWrites().at(0).bytes, std::vector<uint8_t>{3});

  // The menu item brings the chooser back.
  ASSERT_TRUE(sim->choose("Squarix", "Change configuraiton"));
  EXPECT_TRUE(sim->waitUntil([&] { return sim->openMenuText("Squarix").has_value(); }, kBridgeDeadline));
}

TEST_F(SquarixTest, AChooserTooLargeForOneMessageShowsWhatFits) {
  std::string modules;
  for (int i = 0; i < 1200; ++i)
    modules += "<module name=\"Add-on aircraft number " + std::to_string(i) +
               " with a long name, as some fleets of add-ons have\"/>\n";
  writeModules(modules);
  startLab();
  startTheBridge();
  ASSERT_TRUE(sim->waitUntil([&] { return sim->openMenuText("Squarix").has_value(); }, kBridgeDeadline));
  auto chooser = *sim->openMenuText("Squarix");
  ASSERT_GT(chooser.menuItems.size(), 10u);
  EXPECT_EQ(chooser.text, "Squarix Configuration (" + std::to_string(1200 - chooser.menuItems.size()) +
                              " more not listed)");
  EXPECT_EQ(chooser.menuItems.front(), "Add-on aircraft number 0 with a long name, as some fleets of add-ons have");
}

TEST_F(SquarixTest, AChoiceTheRegistryCannotStoreIsSaidAndStillUsed) {
  writeModules(R"(<module name="A"><function name="TARA"><fsuipc offset="66C0" size="1" data="1"/></function></module>
                  <module name="B"><function name="TARA"><fsuipc offset="66C0" size="1" data="3"/></function></module>)");
  // A hive that is a folder can be neither read nor written.
  std::filesystem::create_directories(env.root() + "/registry/HKEY_CURRENT_USER.reg");
  startLab();
  startTheBridge();
  ASSERT_TRUE(sim->waitUntil([&] { return sim->openMenuText("Squarix").has_value(); }, kBridgeDeadline));
  ASSERT_TRUE(sim->choose("Squarix", "1"));
  EXPECT_TRUE(waitForText("Squarix: the choice of \"B\" could not be stored; it holds until the bridge ends"));
  TransponderSender panel;
  ASSERT_TRUE(panel.open());
  ASSERT_TRUE(panel.send("ZRQ-XPNDR.Mode", 3));
  ASSERT_TRUE(waitForFunctionWrites(0));
  EXPECT_EQ(functionWrites().at(0).bytes, std::vector<uint8_t>{3});
}

TEST_F(SquarixTest, TheConfigurationIsLoadedWhenAFlightStarts) {
  writeModules(kTcasModule);
  remember("TCAS");
  startLab(/*flightRunning=*/false);
  startTheBridge();
  ASSERT_TRUE(waitUntilListening());
  TransponderSender panel;
  ASSERT_TRUE(panel.open());
  ASSERT_TRUE(panel.send("ZRQ-XPNDR.Mode", 3));
  // Once the simulator has passed the event on, the flight starts after it.
  ASSERT_TRUE(sim->waitUntil(
      [&] {
        for (const auto& e : sim->events())
          if (e.name == "ZRQ-XPNDR.Mode" && e.data == 3) return true;
        return false;
      },
      kBridgeDeadline));
  sim->startFlight();
  // Events keep their order: the one sent before the flight did nothing.
  ASSERT_TRUE(testsupport::eventually([&] {
    panel.send("ZRQ-XPNDR.Mode", 2);
    return waitForFunctionWrites(0, 200ms);
  }));
  EXPECT_EQ(functionWrites().at(0).bytes, std::vector<uint8_t>{1});
}

TEST_F(SquarixTest, AboutShowsTheVersionForEightSeconds) {
  writeModules(kTcasModule);
  remember("TCAS");
  startLab();
  startTheBridge();
  ASSERT_TRUE(waitForMenu());
  ASSERT_TRUE(sim->choose("Squarix", "About..."));
  ASSERT_TRUE(waitForText("Squarix v" KESTRIX_EXPECTED_VERSION));
  for (const auto& t : sim->texts())
    if (t.text.rfind("Squarix v", 0) == 0) {
      EXPECT_EQ(t.seconds, 8.0f);
      EXPECT_EQ(t.type, 0x101u);
      EXPECT_EQ(t.eventId, 5u);
    }
}

TEST_F(SquarixTest, WithoutFsuipcTheReasonIsShownForFiveSeconds) {
  writeModules(kTcasModule);
  remember("TCAS");
  fsuipc.close();
  startLab();
  startTheBridge();
  TransponderSender panel;
  ASSERT_TRUE(waitUntilListening());
  ASSERT_TRUE(panel.open());
  ASSERT_TRUE(panel.send("ZRQ-XPNDR.Mode", 3));
  ASSERT_TRUE(waitForText("Cannot link to FSUIPC or WideClient"));
  for (const auto& t : sim->texts())
    if (t.clientName == "Squarix") {
      EXPECT_EQ(t.seconds, 5.0f);
    }

  // FSUIPC comes up later: the next event opens the link.
  ASSERT_TRUE(fsuipc.open());
  ASSERT_TRUE(panel.send("ZRQ-XPNDR.Mode", 3));
  EXPECT_TRUE(waitForFunctionWrites(0));
}

TEST_F(SquarixTest, AMissingOrBrokenConfigurationIsReportedAndEndsTheBridge) {
  struct Case {
    const char* what;
    std::optional<std::string> file;
    std::string message;
  } cases[] = {
      {"missing", std::nullopt,
       "Squarix Bridge: Unable to load configuration file.  Please check your installation."},
      {"malformed", "<quornellimited>\n<squarix>\n</quornellimited>\n",
       "Squarix Bridge: Error loading " + configPath() + " at line 3\n"},
  };
  startLab();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(configPath());
    if (c.file) testsupport::writeFile(configPath(), *c.file);
    auto [exitCode, output] = runToEnd({});
    EXPECT_EQ(exitCode, 0);
    EXPECT_NE(output.find(c.message), std::string::npos) << output;
    EXPECT_TRUE(sim->waitUntil([&] { return bridgeMenu().empty(); }, kBridgeDeadline))
        << "the menu went with the bridge";
  }
}

TEST_F(SquarixTest, QuitEndsTheBridgeAfterItsTeardown) {
  writeModules(kTcasModule);
  remember("TCAS");
  startLab();
  startTheBridge();
  ASSERT_TRUE(waitForMenu());
  sim->quit();
  EXPECT_EQ(bridge->waitForExit(kBridgeDeadline), 0);
}

TEST_F(SquarixTest, AnOperatorsStopTearsTheSessionDown) {
  writeModules(kTcasModule);
  remember("TCAS");
  startLab();
  startTheBridge();
  ASSERT_TRUE(waitForMenu());
  bridge->requestStop();
  EXPECT_EQ(bridge->waitForExit(kBridgeDeadline), 0);
  auto call = [](CallType type) { return static_cast<uint32_t>(type); };
  std::vector<uint32_t> teardown = {call(CallType::UnsubscribeFromSystemEvent),
                                    call(CallType::UnsubscribeFromSystemEvent),
                                    call(CallType::MenuDeleteSubItem), call(CallType::MenuDeleteSubItem),
                                    call(CallType::MenuDeleteItem)};
  // The lab may still be reading what the bridge sent before it ended.
  std::vector<uint32_t> lastCalls;
  EXPECT_TRUE(sim->waitUntil(
      [&] {
        std::vector<uint32_t> calls;
        for (const auto& r : sim->requests())
          if (r.clientName == "Squarix") calls.push_back(r.callType);
        size_t from = calls.size() > teardown.size() ? calls.size() - teardown.size() : 0;
        lastCalls.assign(calls.begin() + static_cast<long>(from), calls.end());
        return lastCalls == teardown;
      },
      kBridgeDeadline))
      << ::testing::PrintToString(lastCalls);
}

TEST_F(SquarixTest, ABrokenConnectionEndsTheBridgeSoTheNextStartCanRun) {
  writeModules(kTcasModule);
  remember("TCAS");
  startLab();
  startTheBridge();
  ASSERT_TRUE(waitForMenu());
  sim->breakConnections();
  EXPECT_EQ(bridge->waitForExit(kBridgeDeadline), 0);
}

// How a session can end while a configured pause runs.
struct SessionEnding {
  const char* what;
  void (*end)(lab::Simulator& sim, platform::ChildProcess& bridge);
};

void PrintTo(const SessionEnding& ending, std::ostream* out) { *out << ending.what; }

class SquarixPauseTest : public SquarixTest, public ::testing::WithParamInterface<SessionEnding> {};

TEST_P(SquarixPauseTest, APauseEndsAtOnceAndTheRemainingStepsAreLeftOut) {
  ASSERT_NO_FATAL_FAILURE(startListeningWith(R"(<module name="Slow">
  <function name="TARA">
    <fsuipc offset="66C0" size="1" data="1"/>
    <fsuipc offset="9999" size="99" data="600000"/>
    <fsuipc offset="66C0" size="1" data="2"/>
  </function>
</module>)", "Slow"));
  ASSERT_TRUE(panel.send("ZRQ-XPNDR.Mode", 3));
  ASSERT_TRUE(waitForFunctionWrites(0));  // the step before the pause

  GetParam().end(*sim, *bridge);
  // Well within the ten-minute pause.
  EXPECT_EQ(bridge->waitForExit(kBridgeDeadline), 0);
  EXPECT_EQ(functionWrites().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, SquarixPauseTest,
    ::testing::Values(
        SessionEnding{"operator's stop",
                      [](lab::Simulator&, platform::ChildProcess& bridge) { bridge.requestStop(); }},
        SessionEnding{"simulator's quit", [](lab::Simulator& sim, platform::ChildProcess&) { sim.quit(); }},
        SessionEnding{"broken connection",
                      [](lab::Simulator& sim, platform::ChildProcess&) { sim.breakConnections(); }}));

TEST_F(SquarixTest, EventsDuringAPauseAreHandledAfterItInOrder) {
  ASSERT_NO_FATAL_FAILURE(startListeningWith(R"(<module name="Slow">
  <function name="TARA">
    <fsuipc offset="66C0" size="1" data="1"/>
    <fsuipc offset="9999" size="99" data="300"/>
    <fsuipc offset="66C0" size="1" data="2"/>
  </function>
  <function name="LEFT"><fsuipc offset="66C1" size="1" data="3"/></function>
  <function name="RIGHT"><fsuipc offset="66C1" size="1" data="4"/></function>
</module>)", "Slow"));
  ASSERT_TRUE(panel.send("ZRQ-XPNDR.Mode", 3));
  ASSERT_TRUE(waitForFunctionWrites(0));
  ASSERT_TRUE(panel.send("ZRQ-XPNDR.Position", 1));
  ASSERT_TRUE(panel.send("ZRQ-XPNDR.Position", 2));
  ASSERT_TRUE(waitForFunctionWrites(3));
  std::vector<std::pair<uint32_t, uint8_t>> written;
  for (const auto& write : functionWrites()) written.emplace_back(write.offset, write.bytes.at(0));
  EXPECT_EQ(written, (std::vector<std::pair<uint32_t, uint8_t>>{{0x66C0, 1}, {0x66C0, 2}, {0x66C1, 3}, {0x66C1, 4}}));
}

// The FSUIPC areas' files in the world's runtime folder.
std::vector<std::string> areaFiles(const testsupport::TestEnvironment& env) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(env.runtimeDir() + "/objects", ec);
       it != std::filesystem::directory_iterator(); ++it)
    if (it->path().filename().string().find("FsasmLib") != std::string::npos)
      names.push_back(it->path().filename().string());
  return names;
}

TEST_F(SquarixTest, NoAreaOutlivesTheBridgeAndAKilledBridgesAreaGoesAtTheNextStart) {
  writeModules(kTcasModule);
  remember("TCAS");
  startLab();
  startTheBridge();
  ASSERT_TRUE(waitForMenu());
  ASSERT_TRUE(testsupport::eventually([&] { return areaFiles(env).size() == 1; }));
  sim->quit();
  ASSERT_EQ(bridge->waitForExit(kBridgeDeadline), 0);
  EXPECT_EQ(areaFiles(env), std::vector<std::string>{});

  startLab();
  startTheBridge();
  ASSERT_TRUE(waitForMenu());
  ASSERT_TRUE(testsupport::eventually([&] { return areaFiles(env).size() == 1; }));
  const std::vector<std::string> killedOnes = areaFiles(env);
  bridge->kill();
  ASSERT_TRUE(bridge->waitForExit(kBridgeDeadline));
  EXPECT_EQ(areaFiles(env), killedOnes);

  startTheBridge();
  ASSERT_TRUE(testsupport::eventually([&] {
    auto now = areaFiles(env);
    return now.size() == 1 && now != killedOnes;
  }));
}

TEST_F(SquarixTest, StepsThatDoNotFitFsuipcAreShownAndWriteNothing) {
  ASSERT_NO_FATAL_FAILURE(startListeningWith(R"(<module name="Odd">
  <function name="TARA">
    <fsuipc offset="66C0" size="4294967297" data="1"/>
    <fsuipc offset="0xFFFFFFF0" size="1" data="1"/>
    <fsuipc offset="66C1" size="1" data="2"/>
  </function>
</module>)", "Odd"));
  ASSERT_TRUE(panel.send("ZRQ-XPNDR.Mode", 3));
  EXPECT_TRUE(waitForText("Squarix: a step of offset 66C0 has size 4294967297; only sizes 1 to 4 can be written"));
  EXPECT_TRUE(waitForText(
      "Squarix: a step of offset 0xFFFFFFF0 and size 1 reaches past the last FSUIPC offset, FFFF"));
  ASSERT_TRUE(waitForFunctionWrites(0));
  ASSERT_EQ(functionWrites().size(), 1u);
  EXPECT_EQ(functionWrites()[0].offset, 0x66C1u);
}

TEST_F(SquarixTest, SimConnectCfgBesideTheProgramComesBeforeTheCurrentFolders) {
  // The simulator serves on a pipe of its own name only.
  lab::Simulator::Options options;
  options.socketPath = env.runtimeDir() + "/" + simconnect::pipeSocketFileName("Beside/SimConnect");
  sim = std::make_unique<lab::Simulator>(options);
  ASSERT_TRUE(sim->start());
  testsupport::writeFile(programFolder + "/SimConnect.cfg", "[SimConnect]\nProtocol=Pipe\nPort=Beside/SimConnect\n");
  // The current folder, as a simulator that starts the bridge leaves it.
  testsupport::writeFile(env.root() + "/SimConnect.cfg", "[SimConnect]\nProtocol=Pipe\nPort=Nowhere/SimConnect\n");
  writeModules(kTcasModule);
  remember("TCAS");
  startTheBridge();
  EXPECT_TRUE(waitForConnection());
}

TEST_F(SquarixTest, ConnectsOnceTheSimulatorComesUp) {
  writeModules(kTcasModule);
  remember("TCAS");
  startTheBridge();
  // The FSUIPC handshake at start-up shows the bridge is up and trying.
  ASSERT_TRUE(testsupport::eventually([&] { return fsuipc.exchanges() > 0; }));
  startLab();
  EXPECT_TRUE(waitForMenu());
  EXPECT_TRUE(bridge->running());
}

TEST_F(SquarixTest, CommandLinesAndASecondInstance) {
  writeModules(kTcasModule);
  remember("TCAS");
  auto invalid = runToEnd({"config.xml"});
  EXPECT_EQ(invalid.first, 255);
  EXPECT_EQ(invalid.second, "Squarix: Invalid argument detected.\n");

  startLab();
  // "/registerfsx now" is no switch: the bridge starts as without arguments.
  startTheBridge({"/registerfsx", "now"});
  ASSERT_TRUE(waitForMenu());
  auto second = runToEnd({});
  EXPECT_EQ(second.first, 1);
  EXPECT_EQ(second.second, "");
  auto slash = runToEnd({"/verbose"});
  EXPECT_EQ(slash.first, 1) << "another switch starts the bridge, which finds the first";
  for (const char* argument : {"/UnregisterFSx", "/unregisterfsx", "/REGISTERFSX"}) {
    auto registration = runToEnd({argument});
    EXPECT_EQ(registration.first, 0) << argument << " works while an instance runs";
  }
}

TEST_F(SquarixTest, RegistersItselfUnderItsOwnNameBesideThePanelDriver) {
  regtest::writeRegistry(env, {regtest::installedAt("HKEY_LOCAL_MACHINE", regtest::kFsxKey, "SetupPath")});
  testsupport::writeFile(regtest::fsxLaunchFile(env),
                         regtest::launchFileWith({{"KESTRIX Module", "/opt/kestrix-module"}}));
  const regtest::LaunchAddon driver{"KESTRIX Module", "False", "", "", "/opt/kestrix-module",
                                    {"Name", "Disabled", "Path"}};
  const regtest::LaunchAddon bridgeEntry{"Squarix", "False", "False", "",
                                         std::filesystem::canonical(programPath()).string(),
                                         {"Name", "Disabled", "ManualLoad", "CommandLine", "Path"}};

  EXPECT_EQ(runToEnd({"/RegisterFSx"}), std::make_pair(std::optional<int>(0), std::string()));
  EXPECT_EQ(regtest::addonsOf(regtest::fsxLaunchFile(env)), (std::vector{driver, bridgeEntry}));
  EXPECT_EQ(runToEnd({"/unregisterfsx"}), std::make_pair(std::optional<int>(0), std::string()));
  EXPECT_EQ(regtest::addonsOf(regtest::fsxLaunchFile(env)), std::vector{driver});
}

}  // namespace
}  // namespace e2e
