// The radio panel end to end: the lab's simulator and boards, the real
// kestrix-module.
#include <lab/boards.h>
#include <platform/profile_file.h>
#include <simconnect/wire.h>

#include <algorithm>
#include <cstdio>

#include "module_fixture.h"

namespace e2e {
namespace {

constexpr char kSerial[] = "0000A001";
constexpr int kTransfer = 1, kFractionDown = 9, kWholeDown = 11, kWholeUp = 12;
constexpr int kCom1 = 3, kCom2 = 4, kAdf = 5, kNav1 = 6, kNav2 = 7, kXpndr = 8;

class ModuleRadioTest : public ModuleTest {
 protected:
  void SetUp() override { rack = std::make_unique<lab::BoardRack>(env.runtimeDir()); }
  void TearDown() override {
    ModuleTest::TearDown();
    rack.reset();
  }

  // Plugs a radio board, starts the lab with the given aircraft and the
  // module, and waits until the module has the simulator's first data.
  void startRadio(int variant, const lab::AircraftRadios& aircraft,
                  std::vector<std::string> settings = {}) {
    settings.insert(settings.begin(), "Misc/Debug=1");
    writeSettings(settings);
    ASSERT_TRUE(rack->plug(lab::BoardSetup::panel(kSerial, 0x34, 0x01, variant)));
    startLab();
    sim->setRadios(aircraft);
    startTheModule();
    ASSERT_TRUE(waitForLogLine("Avionics switch changed: "));
  }

  void pressKey(int key) {
    ASSERT_TRUE(rack->press(kSerial, key));
    ASSERT_TRUE(rack->release(kSerial, key));
  }
  void selectChannel(int channel) {
    pressKey(channel);
    ASSERT_TRUE(testsupport::eventually([&] { return storedChannel() == channel; }));
  }
  int storedChannel() const { return platform::getProfileInt("Config", kSerial, -1, settingsPath()); }

  std::string digits(int first, int count) const {
    auto view = rack->view(kSerial);
    return view ? view->digits(first, count) : "<no board>";
  }
  bool waitForDigits(int first, int count, const std::string& text) {
    bool shown = testsupport::eventually([&] { return digits(first, count) == text; });
    EXPECT_TRUE(shown) << "digits " << first << "+" << count << ": '" << digits(first, count)
                       << "', wanted '" << text << "'";
    return shown;
  }
  bool waitForLed(int led, bool lit) {
    return testsupport::eventually([&] {
      auto view = rack->view(kSerial);
      return view && view->ledLit(led) == lit;
    });
  }
  bool waitForPort1(int code) {
    return testsupport::eventually([&] {
      auto view = rack->view(kSerial);
      return view && view->ports[1] == code;
    });
  }
  // Waits for the n-th (1-based) transmitted event of that name.
  std::optional<lab::EventRecord> waitForEvent(const std::string& name, size_t n = 1) {
    std::optional<lab::EventRecord> found;
    testsupport::eventually([&] {
      size_t seen = 0;
      for (const auto& event : sim->events())
        if (event.name == name && ++seen == n) found = event;
      return found.has_value();
    });
    return found;
  }
  size_t logCount(const std::string& fragment) const {
    std::string log = logText();
    size_t count = 0;
    for (size_t at = log.find(fragment); at != std::string::npos; at = log.find(fragment, at + 1))
      ++count;
    return count;
  }
  bool waitForLogCount(const std::string& fragment, size_t count) {
    return testsupport::eventually([&] { return logCount(fragment) >= count; });
  }

  std::unique_ptr<lab::BoardRack> rack;
};

TEST_F(ModuleRadioTest, StartsOnCom1AndTheLightWaitsForTheAvionics) {
  lab::AircraftRadios aircraft;
  aircraft.panelLight = true;
  aircraft.avionicsMaster = false;
  startRadio(1, aircraft);
  EXPECT_EQ(storedChannel(), kCom1);
  ASSERT_TRUE(waitForLogLine("Panel light changed: 1"));
  EXPECT_EQ(digits(1, 14), std::string(14, ' '));

  ASSERT_EQ(sim->setVariable("AVIONICS MASTER SWITCH", 1), lab::SetVariableResult::Done);
  waitForDigits(14, 1, "8.");
  waitForDigits(1, 6, "122.800");
  waitForDigits(7, 6, "118.000");
  EXPECT_TRUE(waitForLed(98, true));
}

struct TuningCase {
  int channel;
  const char* wholeUpEvent;
  const char* swapEvent;
  const char* active;
  const char* steppedStandby;
};

TEST_F(ModuleRadioTest, EachRadioTunesAndSwapsThroughTheSimulator) {
  startRadio(1, lab::AircraftRadios{});
  const TuningCase cases[] = {
      {kCom1, "COM_RADIO_WHOLE_INC", "COM_STBY_RADIO_SWAP", "122.800", "119.000"},
      {kCom2, "COM2_RADIO_WHOLE_INC", "COM2_RADIO_SWAP", "124.850", "122.500"},
      {kNav1, "NAV1_RADIO_WHOLE_INC", "NAV1_RADIO_SWAP", "110.500", "114.900"},
      {kNav2, "NAV2_RADIO_WHOLE_INC", "NAV2_RADIO_SWAP", "114.700", "109.000"},
  };
  for (const TuningCase& c : cases) {
    SCOPED_TRACE(c.wholeUpEvent);
    selectChannel(c.channel);
    waitForDigits(1, 6, c.active);
    pressKey(kWholeUp);
    auto event = waitForEvent(c.wholeUpEvent);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->data, 0u);
    waitForDigits(7, 6, c.steppedStandby);
    pressKey(kTransfer);
    ASSERT_TRUE(waitForEvent(c.swapEvent));
    waitForDigits(1, 6, c.steppedStandby);
    waitForDigits(7, 6, c.active);
  }
}

TEST_F(ModuleRadioTest, KeyTwoSendsNothingAndKey13IsIgnoredOnVariantSixBoards) {
  startRadio(6, lab::AircraftRadios{});
  pressKey(2);
  EXPECT_TRUE(waitForLogLine("eventID is none, not sending event"));
  pressKey(13);
  ASSERT_TRUE(waitForLogLine("Processing Button 13"));
  // Key 9 comes after 13: once its event is in, 13 would have been too.
  pressKey(kFractionDown);
  ASSERT_TRUE(waitForEvent("COM_RADIO_FRACT_DEC"));
  std::vector<std::string> names;
  for (const auto& event : sim->events()) names.push_back(event.name);
  EXPECT_EQ(names, std::vector<std::string>{"COM_RADIO_FRACT_DEC"});
}

TEST_F(ModuleRadioTest, AdfStandbyStepsAndWrapsWithinTheBand) {
  startRadio(1, lab::AircraftRadios{}, {"LastStandby/5=105"});
  selectChannel(kAdf);
  waitForDigits(1, 6, " 0350.0");
  waitForDigits(7, 6, " 0105.0");
  pressKey(kWholeDown);
  waitForDigits(7, 6, " 1799.9");
  pressKey(kWholeUp);
  waitForDigits(7, 6, " 0100.0");
  pressKey(kFractionDown);
  waitForDigits(7, 6, " 1799.9");
  // Steps are the panel's own: nothing goes to the simulator.
  EXPECT_TRUE(sim->events().empty());
}

TEST_F(ModuleRadioTest, AdfTransferSendsPackedDecimalAndRemembersTheOldActive) {
  startRadio(1, lab::AircraftRadios{}, {"LastStandby/5=1234.5"});
  selectChannel(kAdf);
  waitForDigits(7, 6, " 1234.5");
  pressKey(kTransfer);
  auto event = waitForEvent("ADF_COMPLETE_SET");
  ASSERT_TRUE(event);
  EXPECT_EQ(event->data, 0x12345000u);
  waitForDigits(7, 6, " 0350.0");
  waitForDigits(1, 6, " 1234.5");
  EXPECT_TRUE(testsupport::eventually([&] {
    return platform::getProfileString("LastStandby", "5", "", settingsPath()) == "350";
  }));
}

TEST_F(ModuleRadioTest, WithoutARememberedAdfStandbyTheActiveFrequencyIsTaken) {
  startRadio(1, lab::AircraftRadios{});
  selectChannel(kAdf);
  waitForDigits(1, 6, " 0350.0");
  waitForDigits(7, 6, " 0350.0");
}

// A remembered standby that no ADF can be tuned to counts as none: the
// active frequency is taken, and a transfer sends only a frequency of the band.
class ModuleRadioStoredStandbyTest : public ModuleRadioTest,
                                     public ::testing::WithParamInterface<const char*> {};

TEST_P(ModuleRadioStoredStandbyTest, OutsideTheBandCountsAsNone) {
  startRadio(1, lab::AircraftRadios{}, {std::string("LastStandby/5=") + GetParam()});
  selectChannel(kAdf);
  waitForDigits(7, 6, " 0350.0");
  pressKey(kTransfer);
  auto event = waitForEvent("ADF_COMPLETE_SET");
  ASSERT_TRUE(event);
  EXPECT_EQ(event->data, 0x03500000u);
}

INSTANTIATE_TEST_SUITE_P(StoredValues, ModuleRadioStoredStandbyTest,
                         ::testing::Values("5000", "nan", "99.9", "1800", "-350", "1234.5kHz"));

TEST_F(ModuleRadioTest, AnAdfStandbyOutsideTheBandIsNeverSent) {
  lab::AircraftRadios aircraft;
  aircraft.adf1 = {0, 0};  // an aircraft that reports no ADF frequency
  startRadio(1, aircraft);
  selectChannel(kAdf);
  pressKey(kTransfer);
  ASSERT_TRUE(waitForLogLine("outside the ADF band, not transferring"));
  // A knob step brings the standby into the band; then it transfers.
  pressKey(kWholeUp);
  waitForDigits(7, 6, " 1799.9");
  pressKey(kTransfer);
  auto event = waitForEvent("ADF_COMPLETE_SET");
  ASSERT_TRUE(event);
  EXPECT_EQ(event->data, 0x17999000u);  // the first transfer sent nothing
}

TEST_F(ModuleRadioTest, AStoredChannelThatIsNoSelectorPositionCountsAsNone) {
  startRadio(2, lab::AircraftRadios{}, {std::string("Config/") + kSerial + "=9"});
  EXPECT_TRUE(waitForPort1(1));  // COM1
  EXPECT_EQ(storedChannel(), kCom1);
  selectChannel(kCom2);
  EXPECT_TRUE(waitForPort1(2));
  pressKey(kWholeUp);
  EXPECT_TRUE(waitForEvent("COM2_RADIO_WHOLE_INC"));
}

TEST_F(ModuleRadioTest, LedIndicatorsFollowTheSelectorAndTheAvionics) {
  startRadio(1, lab::AircraftRadios{});
  ASSERT_TRUE(waitForLed(98, true));
  selectChannel(kNav2);
  EXPECT_TRUE(waitForLed(102, true));
  EXPECT_TRUE(waitForLed(98, false));
  waitForDigits(1, 6, "114.700");

  ASSERT_EQ(sim->setVariable("AVIONICS MASTER SWITCH", 0), lab::SetVariableResult::Done);
  EXPECT_TRUE(waitForLed(102, false));
  waitForDigits(1, 14, std::string(14, ' '));
}

TEST_F(ModuleRadioTest, PortIndicatorsFollowTheSelectorWhateverTheAvionics) {
  lab::AircraftRadios aircraft;
  aircraft.panelLight = true;
  startRadio(2, aircraft);
  ASSERT_TRUE(waitForPort1(1));
  waitForDigits(14, 1, "8.");

  ASSERT_EQ(sim->setVariable("AVIONICS MASTER SWITCH", 0), lab::SetVariableResult::Done);
  EXPECT_TRUE(waitForPort1(0));
  waitForDigits(1, 14, std::string(14, ' '));
  selectChannel(kNav2);
  EXPECT_TRUE(waitForPort1(5));
  EXPECT_EQ(digits(1, 14), std::string(14, ' '));
}

TEST_F(ModuleRadioTest, TheTransponderPositionShowsBlankDisplays) {
  startRadio(1, lab::AircraftRadios{});
  waitForDigits(1, 6, "122.800");
  selectChannel(kXpndr);
  waitForDigits(1, 12, std::string(12, ' '));
  EXPECT_TRUE(waitForLed(103, true));
}

TEST_F(ModuleRadioTest, AnExceptionForARegistrationIsLoggedWithItsDescription) {
  startRadio(1, lab::AircraftRadios{});
  std::optional<uint32_t> sendId;
  for (const auto& request : sim->requests())
    if (request.clientName == "Kestrix" &&
        request.callType == static_cast<uint32_t>(simconnect::wire::CallType::AddToDataDefinition)) {
      sendId = request.sendId;  // the first datum: the panel light
      break;
    }
  ASSERT_TRUE(sendId);
  ASSERT_TRUE(sim->sendRaw("Kestrix", simconnect::wire::encodeExceptionMessage(1, *sendId, 2)));
  char expected[128];
  std::snprintf(expected, sizeof expected, "SendID %.3u: %s", *sendId,
                "SimConnect_AddToDataDefinition - DATA_NAME_LIGHT_PANEL");
  EXPECT_TRUE(waitForLogLine(expected));
  EXPECT_NE(logText().find("SimConnect Exception received"), std::string::npos);
}

}  // namespace
}  // namespace e2e
