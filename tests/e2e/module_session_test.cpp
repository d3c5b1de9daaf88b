// The panel driver's session against the lab simulator, end to end.
#include <SimConnect.h>

#include <filesystem>

#include "simconnect/wire.h"

#include "module_fixture.h"

namespace e2e {
namespace {

const std::string kAboutText = "Kestrix driver v" KESTRIX_EXPECTED_VERSION "\n\t0 connected devices.";

std::vector<lab::MenuItemInfo> kestrixMenu(const lab::Simulator& sim) {
  std::vector<lab::MenuItemInfo> items;
  for (const auto& m : sim.menus())
    if (m.clientName == "Kestrix") items.push_back(m);
  return items;
}

}  // namespace

TEST_F(ModuleTest, KeepsTryingUntilTheSimulatorAcceptsThenConnects) {
  writeSettings({"Misc/Debug=1"});
  startTheModule();
  ASSERT_TRUE(waitForLogLine("Opening SimConnect"));
  EXPECT_TRUE(module->running());
  startLab();
  EXPECT_TRUE(waitForConnection());
  EXPECT_TRUE(module->running());
}

TEST_F(ModuleTest, ARefusingSimulatorIsRetriedToo) {
  startLab();
  sim->setRefusing(true);
  writeSettings({"Misc/Debug=1"});
  startTheModule();
  ASSERT_TRUE(waitForLogLine("Opening SimConnect"));
  sim->setRefusing(false);
  EXPECT_TRUE(waitForConnection());
}

TEST_F(ModuleTest, ExitOnConnectErrorShowsTheFailureOnceAndEnds) {
  writeSettings({"Config/ExitOnConnectError=1"});
  startTheModule();
  auto code = module->waitForExit(kDeadline);
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0);
  const std::string box = "SimConnect Module: Unable to open a SimConnect connection (0x80004005).\n";
  std::string output = module->output();
  ASSERT_NE(output.find(box), std::string::npos) << output;
  EXPECT_EQ(output.find(box), output.rfind(box));
}

TEST_F(ModuleTest, PutsItsMenuIntoTheSimulatorAndAnswersIt) {
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForConnection());
  ASSERT_TRUE(waitForMenu());
  auto items = kestrixMenu(*sim);
  EXPECT_EQ(items[0].text, "Kestrix");
  EXPECT_EQ(items[0].eventId, 1u);
  EXPECT_FALSE(items[0].parentEventId);
  EXPECT_EQ(items[1].text, "Reload devices");
  EXPECT_EQ(items[1].eventId, 2u);
  EXPECT_EQ(items[1].parentEventId, std::optional<uint32_t>(1));
  EXPECT_EQ(items[2].text, "About...");
  EXPECT_EQ(items[2].eventId, 3u);

  ASSERT_TRUE(sim->choose("Kestrix", "About..."));
  ASSERT_TRUE(waitForText(kAboutText));
  auto about = textsEqualTo(kAboutText).front();
  EXPECT_EQ(about.type, 0x101u);
  EXPECT_FLOAT_EQ(about.seconds, 8.0f);
  EXPECT_EQ(about.eventId, 7u);

  ASSERT_TRUE(sim->choose("Kestrix", "Reload devices"));
  ASSERT_TRUE(waitForText("Reloading devices......"));
  EXPECT_FLOAT_EQ(textsEqualTo("Reloading devices......").front().seconds, 5.0f);
  EXPECT_TRUE(sim->exceptions().empty());
}

TEST_F(ModuleTest, RemovesItsMenuAtTeardown) {
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForConnection());
  ASSERT_TRUE(waitForMenu());
  setQuitEventFromOutside();
  ASSERT_EQ(module->waitForExit(kDeadline), std::optional<int>(0));
  // The subscriptions and items were removed one by one before the
  // connection closed, and none was unknown to the simulator.
  using simconnect::wire::CallType;
  const std::vector<uint32_t> teardown = {
      static_cast<uint32_t>(CallType::UnsubscribeFromSystemEvent),
      static_cast<uint32_t>(CallType::UnsubscribeFromSystemEvent),
      static_cast<uint32_t>(CallType::MenuDeleteSubItem),
      static_cast<uint32_t>(CallType::MenuDeleteSubItem),
      static_cast<uint32_t>(CallType::MenuDeleteItem)};
  auto lastCalls = [&] {
    std::vector<uint32_t> calls;
    for (const auto& r : sim->requests())
      if (r.clientName == "Kestrix") calls.push_back(r.callType);
    if (calls.size() > teardown.size()) calls.erase(calls.begin(), calls.end() - teardown.size());
    return calls;
  };
  EXPECT_TRUE(sim->waitUntil([&] { return lastCalls() == teardown; }, kDeadline));
  EXPECT_TRUE(kestrixMenu(*sim).empty());
  EXPECT_TRUE(sim->exceptions().empty());
}

TEST_F(ModuleTest, FollowsTheFlightStateAndLoadsNothingWithoutAFlight) {
  writeSettings({"Misc/Debug=1"});
  startLab(/*flightRunning=*/false);
  startTheModule();
  ASSERT_TRUE(waitForLogLine("Sim state: 0"));
  ASSERT_TRUE(waitForLogLine("[CSimConnectModule::Event_SIMStop] Processing"));

  sim->startFlight();
  ASSERT_TRUE(waitForLogLine("Sim Start"));
  ASSERT_TRUE(waitForLogLine("[CSimConnectModule::Event_SIMStart] Processing"));
  // A flight without any board: the boards cannot be opened.
  EXPECT_TRUE(waitForText("Error opening controller interface(s)."));
  EXPECT_EQ(textsEqualTo("Error opening controller interface(s).").size(), 1u);

  sim->stopFlight();
  EXPECT_TRUE(waitForLogLine("Sim Stop"));
}

TEST_F(ModuleTest, TheSimulatorsQuitEndsTheProgramAfterAFullTeardown) {
  writeSettings({"Misc/Debug=1"});
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForConnection());
  ASSERT_TRUE(waitForLogLine("Sim state: 1"));
  sim->quit();
  ASSERT_EQ(module->waitForExit(kDeadline), std::optional<int>(0));
  std::string log = logText();
  size_t quit = log.find("SimConnect requested a quit.");
  ASSERT_NE(quit, std::string::npos);
  size_t previous = quit;
  for (const char* step : {"Done processing events (quit signaled)", "Finished processing sim data (00000000)",
                           "Cleaning up the controllers", "Removing SimConnect Events",
                           "Closing change monitor", "Disconnecting from SimConnect", "Exiting process"}) {
    size_t at = log.find(step, previous);
    EXPECT_NE(at, std::string::npos) << step;
    if (at != std::string::npos) previous = at;
  }
  EXPECT_EQ(log.find("Going to try to connect again"), std::string::npos);
}

TEST_F(ModuleTest, ABrokenConnectionIsOpenedAgainAtOnce) {
  writeSettings({"Misc/Debug=1"});
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForConnection(1));
  sim->breakConnections();
  ASSERT_TRUE(waitForConnection(2));
  EXPECT_TRUE(waitForLogLine("Finished processing sim data (C000014B)"));
  EXPECT_TRUE(waitForLogLine("Connection to SimConnect was broken...Going to try to connect again"));
  EXPECT_TRUE(module->running());
  // The new connection has its menu again.
  EXPECT_TRUE(waitForMenu());
}

TEST_F(ModuleTest, CorruptOrTruncatedMessagesCountAsABrokenConnection) {
  startLab();
  startTheModule();
  size_t connections = 1;
  ASSERT_TRUE(waitForConnection(connections));
  const std::vector<std::vector<uint8_t>> faults = {
      {0xFF, 0xFF, 0xFF, 0x7F, 4, 0, 0, 0, 4, 0, 0, 0},  // a size no message has
      {12, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0},              // an event without its fields
      {20, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},  // an OPEN cut short
  };
  for (const auto& bytes : faults) {
    ASSERT_TRUE(waitForMenu());
    ASSERT_TRUE(sim->sendRaw("Kestrix", bytes));
    ASSERT_TRUE(waitForConnection(++connections));
  }
  ASSERT_TRUE(waitForMenu());
  ASSERT_TRUE(sim->closeMidPacket("Kestrix"));
  ASSERT_TRUE(waitForConnection(++connections));
  EXPECT_TRUE(module->running());
}

TEST_F(ModuleTest, ABrokenConnectionWithExitOnConnectErrorEndsWhenTheSimulatorIsGone) {
  writeSettings({"Config/ExitOnConnectError=1"});
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForConnection());
  sim.reset();  // the simulator crashes: connections close, nobody listens any more
  ASSERT_EQ(module->waitForExit(kDeadline), std::optional<int>(0));
  EXPECT_NE(module->output().find("Unable to open a SimConnect connection (0x80004005)."),
            std::string::npos);
}

TEST_F(ModuleTest, StopsCleanlyOnTheQuitEventOrAnOperatorsSignal) {
  enum class Stop { QuitEvent, Terminate, Interrupt };
  for (Stop stop : {Stop::QuitEvent, Stop::Terminate, Stop::Interrupt}) {
    SCOPED_TRACE(static_cast<int>(stop));
    startLab();
    startTheModule();
    ASSERT_TRUE(waitForConnection());
    ASSERT_TRUE(waitForMenu());
    if (stop == Stop::QuitEvent) setQuitEventFromOutside();
    if (stop == Stop::Terminate) module->requestStop();
    if (stop == Stop::Interrupt) module->interrupt();
    ASSERT_EQ(module->waitForExit(kDeadline), std::optional<int>(0));
    EXPECT_TRUE(sim->waitUntil([&] { return kestrixMenu(*sim).empty(); }, kDeadline));
    module.reset();
    sim.reset();
  }
}

TEST_F(ModuleTest, AQuitEventSetWhileConnectingIsClearedWhenTheConnectionOpens) {
  writeSettings({"Misc/Debug=1"});
  startTheModule();
  ASSERT_TRUE(waitForLogLine("Opening SimConnect"));
  setQuitEventFromOutside();
  startLab();
  ASSERT_TRUE(waitForConnection());
  // Still serving: the menu answers.
  ASSERT_TRUE(waitForMenu());
  ASSERT_TRUE(sim->choose("Kestrix", "About..."));
  EXPECT_TRUE(waitForText(kAboutText));
  EXPECT_TRUE(module->running());
}

TEST_F(ModuleTest, AnOperatorsStopEndsTheConnectLoopToo) {
  startTheModule();
  ASSERT_TRUE(testsupport::eventually([&] { return std::filesystem::exists(settingsPath()); }));
  module->requestStop();
  EXPECT_EQ(module->waitForExit(kDeadline), std::optional<int>(0));
}

// Real USB boards chosen, on a machine without any (or without USB at all,
// as in a container): the driver runs on and says there are no boards.
TEST_F(ModuleTest, WithRealUsbBoardsChosenAndNoneThereAFlightFindsNoBoards) {
  writeSettings({"Misc/Debug=1"});
  startLab();
  platform::ChildProcess::Options options;
  options.program = testsupport::programPath("kestrix-module");
  options.environment = env.childEnvironment();
  for (auto& [name, value] : options.environment)
    if (name == "KESTRIX_HID") value = "usb";
  options.workingFolder = env.root();
  module = platform::ChildProcess::start(options);
  ASSERT_TRUE(module);
  ASSERT_TRUE(waitForConnection());
  EXPECT_TRUE(waitForText("Error opening controller interface(s)."));
  ASSERT_TRUE(sim->choose("Kestrix", "Reload devices"));
  EXPECT_TRUE(sim->waitUntil(
      [&] { return textsEqualTo("Error opening controller interface(s).").size() == 2; },
      kDeadline));
  EXPECT_TRUE(module->running());
  // The lab's boards were never looked at: watching them would have made
  // their folder.
  EXPECT_FALSE(std::filesystem::exists(env.runtimeDir() + "/hid"));
  module->requestStop();
  EXPECT_EQ(module->waitForExit(kDeadline), std::optional<int>(0));
}

}  // namespace e2e
