#include "aircraft_events.h"

#include "aircraft_variables.h"
#include "known_names.h"
#include "radio_rules.h"

#include <utility>

namespace lab::sim {
namespace {

enum class Act {
  WholeStep, FractionStep, Swap, AdfSet, TransponderSet,
  AvionicsSet, AvionicsToggle, LightsOn, LightsOff, LightsToggle, LightsSet,
};

struct KnownEvent {
  std::string_view name;
  Act act;
  VariableKind radio = VariableKind::Switch;  // the radio acted on, if any
  int index = 1;
  int direction = 0;
};

using K = VariableKind;

constexpr KnownEvent kEvents[] = {
    {"COM_RADIO_WHOLE_INC", Act::WholeStep, K::ComFrequency, 1, +1},
    {"COM_RADIO_WHOLE_DEC", Act::WholeStep, K::ComFrequency, 1, -1},
    {"COM_RADIO_FRACT_INC", Act::FractionStep, K::ComFrequency, 1, +1},
    {"COM_RADIO_FRACT_DEC", Act::FractionStep, K::ComFrequency, 1, -1},
    {"COM_STBY_RADIO_SWAP", Act::Swap, K::ComFrequency, 1},
    {"COM2_RADIO_WHOLE_INC", Act::WholeStep, K::ComFrequency, 2, +1},
    {"COM2_RADIO_WHOLE_DEC", Act::WholeStep, K::ComFrequency, 2, -1},
    {"COM2_RADIO_FRACT_INC", Act::FractionStep, K::ComFrequency, 2, +1},
    {"COM2_RADIO_FRACT_DEC", Act::FractionStep, K::ComFrequency, 2, -1},
    {"COM2_RADIO_SWAP", Act::Swap, K::ComFrequency, 2},
    {"NAV1_RADIO_WHOLE_INC", Act::WholeStep, K::NavFrequency, 1, +1},
    {"NAV1_RADIO_WHOLE_DEC", Act::WholeStep, K::NavFrequency, 1, -1},
    {"NAV1_RADIO_FRACT_INC", Act::FractionStep, K::NavFrequency, 1, +1},
    {"NAV1_RADIO_FRACT_DEC", Act::FractionStep, K::NavFrequency, 1, -1},
    {"NAV1_RADIO_SWAP", Act::Swap, K::NavFrequency, 1},
    {"NAV2_RADIO_WHOLE_INC", Act::WholeStep, K::NavFrequency, 2, +1},
    {"NAV2_RADIO_WHOLE_DEC", Act::WholeStep, K::NavFrequency, 2, -1},
    {"NAV2_RADIO_FRACT_INC", Act::FractionStep, K::NavFrequency, 2, +1},
    {"NAV2_RADIO_FRACT_DEC", Act::FractionStep, K::NavFrequency, 2, -1},
    {"NAV2_RADIO_SWAP", Act::Swap, K::NavFrequency, 2},
    {"ADF_COMPLETE_SET", Act::AdfSet, K::AdfFrequency, 1},
    {"ADF2_COMPLETE_SET", Act::AdfSet, K::AdfFrequency, 2},
    {"XPNDR_SET", Act::TransponderSet},
    {"AVIONICS_MASTER_SET", Act::AvionicsSet},
    {"TOGGLE_AVIONICS_MASTER", Act::AvionicsToggle},
    {"PANEL_LIGHTS_ON", Act::LightsOn},
    {"PANEL_LIGHTS_OFF", Act::LightsOff},
    {"PANEL_LIGHTS_TOGGLE", Act::LightsToggle},
    {"PANEL_LIGHTS_SET", Act::LightsSet},
};

const RadioBand& bandOf(VariableKind radio) {
  return radio == K::ComFrequency ? kComBand : kNavBand;
}

void act(const KnownEvent& event, AircraftRadios& aircraft, RadioTuning tuning, uint32_t data) {
  switch (event.act) {
    case Act::WholeStep:
    case Act::FractionStep: {
      RadioFrequencies& radio = radioOf(aircraft, event.radio, event.index);
      double& tuned = tuning == RadioTuning::Active ? radio.activeKhz : radio.standbyKhz;
      tuned = event.act == Act::WholeStep
                  ? wholeStep(bandOf(event.radio), tuned, event.direction)
                  : fractionStep(bandOf(event.radio), tuned, event.direction);
      return;
    }
    case Act::Swap: {
      RadioFrequencies& radio = radioOf(aircraft, event.radio, event.index);
      std::swap(radio.activeKhz, radio.standbyKhz);
      return;
    }
    case Act::AdfSet:
      if (auto khz = adfFromPackedDecimal(data))
        radioOf(aircraft, event.radio, event.index).activeKhz = *khz;
      return;
    case Act::TransponderSet:
      if (isBco16Code(data)) aircraft.transponderCode = data;
      return;
    case Act::AvionicsSet:
      aircraft.avionicsMaster = data != 0;
      return;
    case Act::AvionicsToggle:
      aircraft.avionicsMaster = !aircraft.avionicsMaster;
      return;
    case Act::LightsOn:
      aircraft.panelLight = true;
      return;
    case Act::LightsOff:
      aircraft.panelLight = false;
      return;
    case Act::LightsToggle:
      aircraft.panelLight = !aircraft.panelLight;
      return;
    case Act::LightsSet:
      aircraft.panelLight = data != 0;
      return;
  }
}

}  // namespace

bool applySimulatorEvent(AircraftRadios& aircraft, RadioTuning tuning, std::string_view name,
                         uint32_t data) {
  for (const KnownEvent& event : kEvents) {
    if (!equalsIgnoringCase(event.name, name)) continue;
    act(event, aircraft, tuning, data);
    return true;
  }
  return false;
}

}  // namespace lab::sim
