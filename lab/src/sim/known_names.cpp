#include "known_names.h"

#include <algorithm>
#include <cctype>

namespace lab::sim {
namespace {

// The radio, transponder, avionics and light events of the panels, and a
// few other common ones a client might map.
constexpr std::string_view kSimulatorEvents[] = {
    "COM_RADIO_WHOLE_INC", "COM_RADIO_WHOLE_DEC", "COM_RADIO_FRACT_INC", "COM_RADIO_FRACT_DEC",
    "COM_RADIO_FRACT_INC_CARRY", "COM_RADIO_FRACT_DEC_CARRY", "COM_STBY_RADIO_SWAP",
    "COM_RADIO_SWAP", "COM_RADIO_SET", "COM_STBY_RADIO_SET", "COM_RADIO",
    "COM2_RADIO_WHOLE_INC", "COM2_RADIO_WHOLE_DEC", "COM2_RADIO_FRACT_INC",
    "COM2_RADIO_FRACT_DEC", "COM2_RADIO_FRACT_INC_CARRY", "COM2_RADIO_FRACT_DEC_CARRY",
    "COM2_RADIO_SWAP", "COM2_RADIO_SET", "COM2_STBY_RADIO_SET", "COM1_TRANSMIT_SELECT",
    "COM2_TRANSMIT_SELECT", "COM_RECEIVE_ALL_TOGGLE",
    "NAV1_RADIO_WHOLE_INC", "NAV1_RADIO_WHOLE_DEC", "NAV1_RADIO_FRACT_INC",
    "NAV1_RADIO_FRACT_DEC", "NAV1_RADIO_FRACT_INC_CARRY", "NAV1_RADIO_FRACT_DEC_CARRY",
    "NAV1_RADIO_SWAP", "NAV1_RADIO_SET", "NAV1_STBY_SET",
    "NAV2_RADIO_WHOLE_INC", "NAV2_RADIO_WHOLE_DEC", "NAV2_RADIO_FRACT_INC",
    "NAV2_RADIO_FRACT_DEC", "NAV2_RADIO_FRACT_INC_CARRY", "NAV2_RADIO_FRACT_DEC_CARRY",
    "NAV2_RADIO_SWAP", "NAV2_RADIO_SET", "NAV2_STBY_SET",
    "ADF_COMPLETE_SET", "ADF2_COMPLETE_SET", "ADF_SET", "ADF1_RADIO_SWAP", "ADF_100_INC",
    "ADF_10_INC", "ADF_1_INC", "ADF_100_DEC", "ADF_10_DEC", "ADF_1_DEC", "ADF1_WHOLE_INC",
    "ADF1_WHOLE_DEC", "ADF_FRACT_INC_CARRY", "ADF_FRACT_DEC_CARRY",
    "XPNDR_SET", "XPNDR_1000_INC", "XPNDR_100_INC", "XPNDR_10_INC", "XPNDR_1_INC",
    "XPNDR_1000_DEC", "XPNDR_100_DEC", "XPNDR_10_DEC", "XPNDR_1_DEC", "XPNDR_INC_CARRY",
    "XPNDR_DEC_CARRY",
    "AVIONICS_MASTER_SET", "TOGGLE_AVIONICS_MASTER",
    "PANEL_LIGHTS_TOGGLE", "PANEL_LIGHTS_ON", "PANEL_LIGHTS_OFF", "PANEL_LIGHTS_SET",
    "STROBES_TOGGLE", "LANDING_LIGHTS_TOGGLE", "TOGGLE_BEACON_LIGHTS", "TOGGLE_NAV_LIGHTS",
    "TOGGLE_TAXI_LIGHTS", "PAUSE_TOGGLE", "PAUSE_ON", "PAUSE_OFF", "PARKING_BRAKES",
    "GEAR_TOGGLE", "FLAPS_UP", "FLAPS_DOWN",
};

// Every system event a client may subscribe to. The lab fires "SimStart",
// "SimStop" and "Sim"; the others are accepted and stay quiet.
constexpr std::string_view kSystemEvents[] = {
    "1sec", "4sec", "6Hz", "AircraftLoaded", "Crashed", "CrashReset", "FlightLoaded",
    "FlightSaved", "FlightPlanActivated", "FlightPlanDeactivated", "Frame", "ObjectAdded",
    "ObjectRemoved", "Pause", "Paused", "PauseFrame", "PositionChanged", "Sim", "SimStart",
    "SimStop", "Sound", "Unpaused", "View", "WeatherModeChanged",
};

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool isSimulatorEvent(std::string_view name) {
  return std::any_of(std::begin(kSimulatorEvents), std::end(kSimulatorEvents),
                     [&](std::string_view known) { return equalsIgnoringCase(known, name); });
}

bool isCustomEvent(std::string_view name) { return name.find('.') != std::string_view::npos; }

std::optional<std::string> systemEventName(std::string_view name) {
  for (std::string_view known : kSystemEvents)
    if (equalsIgnoringCase(known, name)) return std::string(known);
  return std::nullopt;
}

}  // namespace lab::sim
