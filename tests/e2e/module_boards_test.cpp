// The panel driver with the lab's boards: loading, hot-plug and reloads.
#include <lab/boards.h>

#include <algorithm>

#include "module_fixture.h"

namespace e2e {
namespace {

constexpr char kArrivalText[] = "Loading Kestrix modules...";
constexpr char kRemovalText[] = "KESTRIX driver detected module removal";

lab::BoardSetup radioBoard(const std::string& serial) { return lab::BoardSetup::panel(serial, 0x34, 0x01, 1); }
lab::BoardSetup transponderBoard(const std::string& serial) {
  return lab::BoardSetup::panel(serial, 0x34, 0x02, 2);
}

class ModuleBoardsTest : public ModuleTest {
 protected:
  void SetUp() override { rack = std::make_unique<lab::BoardRack>(env.runtimeDir()); }
  void TearDown() override {
    ModuleTest::TearDown();
    rack.reset();
  }
  size_t logCount(const std::string& fragment) const {
    std::string log = logText();
    size_t count = 0;
    for (size_t at = log.find(fragment); at != std::string::npos; at = log.find(fragment, at + 1)) ++count;
    return count;
  }
  // A step whose end is seen in the simulator: everything the driver did
  // before it has been seen too.
  // Waits until the driver, asked through its menu, counts that many
  // devices. A board change is announced before its devices are rebuilt,
  // so an answer given in between is not yet the one awaited: ask again.
  void roundTripThroughTheMenu(int devices = 0) {
    ASSERT_TRUE(testsupport::eventually(
        [&] {
          size_t before = textsEqualTo(aboutText(devices)).size();
          if (!sim->choose("Kestrix", "About...")) return false;
          return sim->waitUntil([&] { return textsEqualTo(aboutText(devices)).size() > before; },
                                2s);
        },
        kDeadline));
  }
  // Every exception the lab raised for the driver, readable in a failure.
  std::vector<std::string> exceptionsOfTheDriver() const {
    std::vector<std::string> found;
    for (const auto& e : sim->exceptions())
      if (e.clientName == "Kestrix")
        found.push_back("exception " + std::to_string(e.exception) + " for send " + std::to_string(e.sendId));
    return found;
  }
  void tap(const std::string& serial, int key) {
    ASSERT_TRUE(rack->press(serial, key));
    ASSERT_TRUE(rack->release(serial, key));
  }
  // Waits until the driver transmitted count events of that name.
  bool waitForEvents(const std::string& name, size_t count = 1) {
    return sim->waitUntil(
        [&] {
          size_t seen = 0;
          for (const auto& event : sim->events()) seen += event.clientName == "Kestrix" && event.name == name;
          return seen >= count;
        },
        kDeadline);
  }
  std::string digits(const std::string& serial, int first, int count) const {
    auto view = rack->view(serial);
    return view ? view->digits(first, count) : "<no board>";
  }
  // A point belongs to the digit before it.
  bool waitForDigits(const std::string& serial, int first, const std::string& text) {
    const int count = static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) { return c != '.'; }));
    return rack->waitUntil([&] { return digits(serial, first, count) == text; }, kDeadline);
  }
  static std::string aboutText(int devices) {
    return "Kestrix driver v" KESTRIX_EXPECTED_VERSION "\n\t" + std::to_string(devices) +
           " connected devices.";
  }

  std::unique_ptr<lab::BoardRack> rack;
};

}  // namespace

TEST_F(ModuleBoardsTest, PanelBoardsAreOfferedInSerialOrderWhateverTheirModel) {
  writeSettings({"Misc/Debug=1"});
  ASSERT_TRUE(rack->plug(radioBoard("0000B002")));
  ASSERT_TRUE(rack->plug(transponderBoard("0000A001")));
  ASSERT_TRUE(rack->plug(lab::BoardSetup::panel("0000C003", 0x34, 0x03, 1)));
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForLogLine("Processing device: 0000B002"));
  std::string log = logText();
  size_t first = log.find("Processing device: 0000A001");
  ASSERT_NE(first, std::string::npos);
  EXPECT_LT(first, log.find("Processing device: 0000B002"));
  EXPECT_EQ(log.find("Processing device: 0000C003"), std::string::npos);
}

TEST_F(ModuleBoardsTest, AFlightWithOnlyForeignBoardsSaysSoWhenAsked) {
  writeSettings({"Config/ShowMsgNoControllers=1"});
  ASSERT_TRUE(rack->plug(lab::BoardSetup::panel("0000C003", 0x34, 0x03, 1)));
  startLab();
  startTheModule();
  EXPECT_TRUE(waitForText("No KESTRIX modules are connected."));
  EXPECT_TRUE(textsEqualTo("Error opening controller interface(s).").empty());
}

TEST_F(ModuleBoardsTest, PluggingAndPullingABoardShowsOneNoticeEachAndReloads) {
  writeSettings({"Misc/Debug=1"});
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForMenu());
  ASSERT_TRUE(waitForLogLine("Sim state: 1"));

  ASSERT_TRUE(rack->plug(radioBoard("0000A001")));
  ASSERT_TRUE(waitForText(kArrivalText));
  ASSERT_TRUE(waitForLogLine("Processing device: 0000A001"));

  ASSERT_TRUE(rack->unplug("0000A001"));
  ASSERT_TRUE(waitForText(kRemovalText));
  EXPECT_TRUE(testsupport::eventually([&] { return logCount("Controllers are already open, closing them...") >= 1; }));
  roundTripThroughTheMenu();

  // Both interfaces came and went, yet each change was reported once.
  EXPECT_EQ(textsEqualTo(kArrivalText).size(), 1u);
  EXPECT_EQ(textsEqualTo(kRemovalText).size(), 1u);
  EXPECT_FLOAT_EQ(textsEqualTo(kArrivalText).front().seconds, 5.0f);
  EXPECT_EQ(logCount("Processing device: 0000A001"), 1u);
}

// What a board's memory says is read once while it stays plugged in: a
// board plugged beside it is read, the board itself not again. A board
// that was pulled is read afresh when it comes back, and "Reload devices"
// reads every board.
TEST_F(ModuleBoardsTest, ABoardChangeReadsTheMemoryOfNewBoardsOnly) {
  writeSettings({"Misc/Debug=1"});
  const std::string stays = "0000A001", comes = "0000A002";
  constexpr uint8_t kIicRead = 0x03;
  auto memoryReadsOf = [&](const std::string& serial) {
    size_t reads = 0;
    for (const auto& report : rack->outputReports(serial))
      reads += report.interfaceNumber == lab::kSpecialInterface && report.bytes[0] == kIicRead;
    return reads;
  };
  auto waitForLoads = [&](const std::string& serial, size_t count) {
    return testsupport::eventually(
        [&] { return logCount("Processing device: " + serial) >= count; });
  };
  ASSERT_TRUE(rack->plug(radioBoard(stays)));
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForLoads(stays, 1));
  EXPECT_GT(memoryReadsOf(stays), 0u);

  rack->clearOutputReports(stays);
  ASSERT_TRUE(rack->plug(transponderBoard(comes)));
  ASSERT_TRUE(waitForLoads(comes, 1));
  ASSERT_TRUE(waitForLoads(stays, 2));
  EXPECT_GT(memoryReadsOf(comes), 0u);
  EXPECT_EQ(memoryReadsOf(stays), 0u);

  ASSERT_TRUE(rack->unplug(comes));
  ASSERT_TRUE(waitForLoads(stays, 3));
  ASSERT_TRUE(rack->plug(transponderBoard(comes)));
  ASSERT_TRUE(waitForLoads(comes, 2));
  EXPECT_GT(memoryReadsOf(comes), 0u) << "a board that came back was not read again";
  EXPECT_EQ(memoryReadsOf(stays), 0u);

  ASSERT_TRUE(waitForMenu());
  ASSERT_TRUE(sim->choose("Kestrix", "Reload devices"));
  ASSERT_TRUE(waitForLoads(stays, 5));
  EXPECT_GT(memoryReadsOf(stays), 0u);
}

TEST_F(ModuleBoardsTest, BoardsOfOtherVendorsCauseNoNotice) {
  startLab();
  startTheModule();
  // The menu comes before the change monitor; an answer comes after it.
  roundTripThroughTheMenu();
  lab::BoardSetup foreign = radioBoard("0000F00F");
  foreign.vendorId = 0x1234;
  ASSERT_TRUE(rack->plug(foreign));
  ASSERT_TRUE(rack->plug(radioBoard("0000A001")));
  ASSERT_TRUE(waitForText(kArrivalText));
  ASSERT_TRUE(rack->unplug("0000F00F"));
  roundTripThroughTheMenu(1);  // the radio board's panel
  EXPECT_EQ(textsEqualTo(kArrivalText).size(), 1u);
  EXPECT_TRUE(textsEqualTo(kRemovalText).empty());
}

TEST_F(ModuleBoardsTest, ABoardPluggedWhileNoFlightRunsIsStillLoaded) {
  writeSettings({"Misc/Debug=1", "Config/ShowMsgNoControllers=1"});
  startLab(/*flightRunning=*/false);
  startTheModule();
  ASSERT_TRUE(waitForLogLine("Sim state: 0"));
  ASSERT_TRUE(rack->plug(radioBoard("0000A001")));
  ASSERT_TRUE(waitForText(kArrivalText));
  ASSERT_TRUE(waitForLogLine("Processing device: 0000A001"));
  roundTripThroughTheMenu(1);  // the radio board's panel
  // Without a flight the load says nothing about missing panels.
  EXPECT_TRUE(textsEqualTo("No KESTRIX modules are connected.").empty());
}

TEST_F(ModuleBoardsTest, ReloadDevicesClosesAndOpensTheBoardsAgain) {
  writeSettings({"Misc/Debug=1"});
  ASSERT_TRUE(rack->plug(radioBoard("0000A001")));
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForLogLine("Processing device: 0000A001"));
  ASSERT_TRUE(waitForMenu());
  ASSERT_TRUE(sim->choose("Kestrix", "Reload devices"));
  ASSERT_TRUE(waitForText("Reloading devices......"));
  EXPECT_TRUE(testsupport::eventually([&] { return logCount("Processing device: 0000A001") == 2; }));
  EXPECT_EQ(logCount("Controllers are already open, closing them..."), 1u);
}

TEST_F(ModuleBoardsTest, ReloadDevicesBeforeAFlightLeavesEveryKeyWorking) {
  writeSettings({"Misc/Debug=1"});
  ASSERT_TRUE(rack->plug(radioBoard("0000A001")));
  ASSERT_TRUE(rack->plug(transponderBoard("0000A002")));
  startLab(/*flightRunning=*/false);
  startTheModule();
  ASSERT_TRUE(waitForMenu());
  ASSERT_TRUE(waitForLogLine("Sim state: 0"));
  ASSERT_TRUE(sim->choose("Kestrix", "Reload devices"));
  roundTripThroughTheMenu(2);
  sim->startFlight();
  ASSERT_TRUE(waitForLogLine("Sim Start"));

  tap("0000A001", 12);  // COM1 whole up
  tap("0000A002", 17);  // mode selector, first position
  EXPECT_TRUE(waitForEvents("COM_RADIO_WHOLE_INC"));
  EXPECT_TRUE(waitForEvents("ZRQ-XPNDR.Mode"));
  EXPECT_EQ(exceptionsOfTheDriver(), std::vector<std::string>{});
}

TEST_F(ModuleBoardsTest, NoReloadRaisesAnExceptionAndTheKeysStillWork) {
  writeSettings({"Misc/Debug=1"});
  ASSERT_TRUE(rack->plug(radioBoard("0000A001")));
  ASSERT_TRUE(rack->plug(transponderBoard("0000A002")));
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForMenu());
  roundTripThroughTheMenu(2);

  ASSERT_TRUE(rack->plug(transponderBoard("0000A003")));
  ASSERT_TRUE(waitForText(kArrivalText));
  roundTripThroughTheMenu(3);
  ASSERT_TRUE(rack->unplug("0000A003"));
  ASSERT_TRUE(waitForText(kRemovalText));
  roundTripThroughTheMenu(2);
  ASSERT_TRUE(sim->choose("Kestrix", "Reload devices"));
  ASSERT_TRUE(waitForText("Reloading devices......"));
  roundTripThroughTheMenu(2);

  tap("0000A001", 12);
  tap("0000A002", 17);
  EXPECT_TRUE(waitForEvents("COM_RADIO_WHOLE_INC"));
  EXPECT_TRUE(waitForEvents("ZRQ-XPNDR.Mode"));
  EXPECT_EQ(exceptionsOfTheDriver(), std::vector<std::string>{});
}

TEST_F(ModuleBoardsTest, AKeyPressedOnceReplugedPanelsShowReachesTheSimulator) {
  writeSettings({"Misc/Debug=1"});
  const std::string radio = "0000A001", transponder = "0000A002";
  ASSERT_TRUE(rack->plug(radioBoard(radio)));
  ASSERT_TRUE(rack->plug(transponderBoard(transponder)));
  startLab();
  startTheModule();
  roundTripThroughTheMenu(2);
  constexpr size_t kRounds = 5;
  for (size_t round = 1; round <= kRounds; ++round) {
    SCOPED_TRACE(round);
    // Both boards pulled and put back at once: four notices, each shown,
    // while the panels come back after the first of them.
    ASSERT_TRUE(rack->unplug(radio));
    ASSERT_TRUE(rack->unplug(transponder));
    ASSERT_TRUE(rack->plug(radioBoard(radio)));
    ASSERT_TRUE(rack->plug(transponderBoard(transponder)));
    // Each round's key moved COM1 up by a MHz.
    ASSERT_TRUE(waitForDigits(radio, 1, "122.800" + std::to_string(117 + round) + ".000"));
    ASSERT_TRUE(waitForDigits(transponder, 2, "1200"));
    // No later notice of the same replug tears them down again.
    tap(radio, 12);
    tap(transponder, 17);
    EXPECT_TRUE(waitForEvents("COM_RADIO_WHOLE_INC", round));
    EXPECT_TRUE(waitForEvents("ZRQ-XPNDR.Mode", round));
    EXPECT_TRUE(testsupport::eventually([&] {
      return textsEqualTo(kArrivalText).size() == 2 * round &&
             textsEqualTo(kRemovalText).size() == 2 * round;
    }));
  }
}

TEST_F(ModuleBoardsTest, SeveralPanelsOfAKindEachShowTheRadiosWithoutAnException) {
  writeSettings({"Misc/Debug=1"});
  const std::vector<std::string> radios = {"0000A001", "0000A003"}, transponders = {"0000A002", "0000A004"};
  for (const auto& serial : radios) ASSERT_TRUE(rack->plug(radioBoard(serial)));
  for (const auto& serial : transponders) ASSERT_TRUE(rack->plug(transponderBoard(serial)));
  startLab();
  startTheModule();
  for (const auto& serial : radios) EXPECT_TRUE(waitForDigits(serial, 1, "122.800118.000")) << serial;
  for (const auto& serial : transponders) EXPECT_TRUE(waitForDigits(serial, 2, "1200")) << serial;

  // Each follows a change, and a reload sets the shared requests up again.
  ASSERT_EQ(sim->setVariable("COM ACTIVE FREQUENCY:1", 127500), lab::SetVariableResult::Done);
  ASSERT_EQ(sim->setVariable("TRANSPONDER CODE:1", 0x7000), lab::SetVariableResult::Done);
  for (const auto& serial : radios) EXPECT_TRUE(waitForDigits(serial, 1, "127.500")) << serial;
  for (const auto& serial : transponders) EXPECT_TRUE(waitForDigits(serial, 2, "7000")) << serial;
  ASSERT_TRUE(sim->choose("Kestrix", "Reload devices"));
  roundTripThroughTheMenu(4);
  ASSERT_EQ(sim->setVariable("COM ACTIVE FREQUENCY:1", 118100), lab::SetVariableResult::Done);
  for (const auto& serial : radios) EXPECT_TRUE(waitForDigits(serial, 1, "118.100")) << serial;
  EXPECT_EQ(exceptionsOfTheDriver(), std::vector<std::string>{});
}

TEST_F(ModuleBoardsTest, ABoardThatStopsTakingReportsHoldsTheDriverNoLonger) {
  writeSettings({"Misc/Debug=1"});
  ASSERT_TRUE(rack->plug(radioBoard("0000A001")));
  startLab();
  startTheModule();
  ASSERT_TRUE(waitForDigits("0000A001", 1, "122.800118.000"));
  lab::BoardFaults stalled;
  stalled.stallWrites = true;
  ASSERT_TRUE(rack->setFaults("0000A001", stalled));
  // The new frequency's writes wait on the board and fail with a time-out.
  ASSERT_EQ(sim->setVariable("COM ACTIVE FREQUENCY:1", 127500), lab::SetVariableResult::Done);
  // The session goes on serving, and stops when asked.
  roundTripThroughTheMenu(1);
  module->requestStop();
  EXPECT_EQ(module->waitForExit(kDeadline), std::optional<int>(0));
  EXPECT_TRUE(testsupport::eventually([&] { return logText().find("Exiting process") != std::string::npos; }));
}

}  // namespace e2e
