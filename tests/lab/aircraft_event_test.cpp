// Simulator events acting on the user aircraft: each case transmits one
// event to the default aircraft and compares every radio and switch
// afterwards, so that an event that touches the wrong radio shows.
#include "simulator_fixture.h"

#include <functional>

namespace labtest {
namespace {

using lab::AircraftRadios;
using lab::RadioTuning;

struct AircraftEventCase {
  const char* event;
  uint32_t data;
  RadioTuning tuning;
  std::function<void(AircraftRadios&)> change;  // what the event does to the default aircraft
};

std::ostream& operator<<(std::ostream& out, const AircraftEventCase& c) {
  return out << c.event << " " << std::hex << c.data
             << (c.tuning == RadioTuning::Active ? " (active tuning)" : "");
}

class AircraftEventTest : public SimulatorFixture,
                          public ::testing::WithParamInterface<AircraftEventCase> {};

TEST_P(AircraftEventTest, ChangesExactlyWhatTheEventIsFor) {
  const AircraftEventCase& c = GetParam();
  sim->setRadioTuning(c.tuning);
  auto panel = openClient("Kestrix");
  panel->send(wire::MapClientEventToSimEvent{1, c.event});
  panel->send(wire::TransmitClientEvent{0, 1, c.data, 1, 0x10});
  ASSERT_TRUE(sync(*panel));
  AircraftRadios expected;
  c.change(expected);
  EXPECT_EQ(sim->radios(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Events, AircraftEventTest,
    ::testing::Values(
        // Inc/dec tune the standby frequency by default (COM1 118.000 standby).
        AircraftEventCase{"COM_RADIO_WHOLE_INC", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.com1.standbyKhz = 119000; }},
        AircraftEventCase{"COM_RADIO_WHOLE_DEC", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.com1.standbyKhz = 136000; }},
        AircraftEventCase{"COM_RADIO_FRACT_DEC", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.com1.standbyKhz = 118975; }},
        AircraftEventCase{"com_radio_fract_inc", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.com1.standbyKhz = 118025; }},
        // ... and the active one in an aircraft tuned that way (COM1 122.800).
        AircraftEventCase{"COM_RADIO_WHOLE_INC", 0, RadioTuning::Active,
                          [](AircraftRadios& a) { a.com1.activeKhz = 123800; }},
        AircraftEventCase{"COM_RADIO_FRACT_INC", 0, RadioTuning::Active,
                          [](AircraftRadios& a) { a.com1.activeKhz = 122825; }},
        AircraftEventCase{"COM_STBY_RADIO_SWAP", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.com1 = {118000, 122800}; }},
        AircraftEventCase{"COM2_RADIO_WHOLE_DEC", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.com2.standbyKhz = 120500; }},
        AircraftEventCase{"COM2_RADIO_FRACT_INC", 0, RadioTuning::Active,
                          [](AircraftRadios& a) { a.com2.activeKhz = 124875; }},
        AircraftEventCase{"COM2_RADIO_SWAP", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.com2 = {121500, 124850}; }},
        // NAV1 110.50 / 113.90, NAV2 114.70 / 108.00.
        AircraftEventCase{"NAV1_RADIO_WHOLE_INC", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.nav1.standbyKhz = 114900; }},
        AircraftEventCase{"NAV1_RADIO_FRACT_INC", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.nav1.standbyKhz = 113950; }},
        AircraftEventCase{"NAV1_RADIO_FRACT_DEC", 0, RadioTuning::Active,
                          [](AircraftRadios& a) { a.nav1.activeKhz = 110450; }},
        AircraftEventCase{"NAV1_RADIO_SWAP", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.nav1 = {113900, 110500}; }},
        AircraftEventCase{"NAV2_RADIO_WHOLE_DEC", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.nav2.standbyKhz = 117000; }},
        AircraftEventCase{"NAV2_RADIO_FRACT_DEC", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.nav2.standbyKhz = 108950; }},
        AircraftEventCase{"NAV2_RADIO_WHOLE_INC", 0, RadioTuning::Active,
                          [](AircraftRadios& a) { a.nav2.activeKhz = 115700; }},
        AircraftEventCase{"NAV2_RADIO_SWAP", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.nav2 = {108000, 114700}; }},
        // ADF: packed decimal into the active frequency.
        AircraftEventCase{"ADF_COMPLETE_SET", 0x03825000, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.adf1.activeKhz = 382.5; }},
        AircraftEventCase{"ADF_COMPLETE_SET", 0x12345000, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.adf1.activeKhz = 1234.5; }},
        AircraftEventCase{"ADF2_COMPLETE_SET", 0x05210000, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.adf2.activeKhz = 521; }},
        AircraftEventCase{"ADF_COMPLETE_SET", 0x0350A000, RadioTuning::Standby,
                          [](AircraftRadios&) {}},  // no packed decimal: ignored
        // Transponder: BCO16.
        AircraftEventCase{"XPNDR_SET", 0x7700, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.transponderCode = 0x7700; }},
        AircraftEventCase{"XPNDR_SET", 0x1280, RadioTuning::Standby,
                          [](AircraftRadios&) {}},  // 8 is no octal digit: ignored
        // Switches.
        AircraftEventCase{"AVIONICS_MASTER_SET", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.avionicsMaster = false; }},
        AircraftEventCase{"AVIONICS_MASTER_SET", 1, RadioTuning::Standby,
                          [](AircraftRadios&) {}},
        AircraftEventCase{"TOGGLE_AVIONICS_MASTER", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.avionicsMaster = false; }},
        AircraftEventCase{"PANEL_LIGHTS_ON", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.panelLight = true; }},
        AircraftEventCase{"PANEL_LIGHTS_OFF", 0, RadioTuning::Standby, [](AircraftRadios&) {}},
        AircraftEventCase{"PANEL_LIGHTS_TOGGLE", 0, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.panelLight = true; }},
        AircraftEventCase{"PANEL_LIGHTS_SET", 1, RadioTuning::Standby,
                          [](AircraftRadios& a) { a.panelLight = true; }},
        // Not modelled: recorded only.
        AircraftEventCase{"COM_RADIO_SET", 0x2280, RadioTuning::Standby,
                          [](AircraftRadios&) {}}));

using AircraftTest = SimulatorFixture;

TEST_F(AircraftTest, EventsSentToAnotherObjectLeaveTheUserAircraftAlone) {
  auto panel = openClient("Kestrix");
  panel->send(wire::MapClientEventToSimEvent{1, "COM_STBY_RADIO_SWAP"});
  panel->send(wire::TransmitClientEvent{7, 1, 0, 1, 0x10});
  ASSERT_TRUE(sync(*panel));
  EXPECT_EQ(sim->radios(), AircraftRadios{});
  EXPECT_EQ(sim->events().size(), 1u);
}

TEST_F(AircraftTest, StepsAddUpAndSwapKeepsTheTunedFrequency) {
  auto panel = openClient("Kestrix");
  panel->send(wire::MapClientEventToSimEvent{1, "COM_RADIO_FRACT_INC"});
  panel->send(wire::MapClientEventToSimEvent{2, "COM_STBY_RADIO_SWAP"});
  for (int i = 0; i < 41; ++i) panel->send(wire::TransmitClientEvent{0, 1, 0, 1, 0x10});
  panel->send(wire::TransmitClientEvent{0, 2, 0, 1, 0x10});
  ASSERT_TRUE(sync(*panel));
  // 118.000 + 41 x 25 kHz wraps once within the MHz: 118.025.
  EXPECT_EQ(sim->radios().com1, (lab::RadioFrequencies{118025, 122800}));
}

}  // namespace
}  // namespace labtest
