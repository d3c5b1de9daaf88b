#include "aircraft_keys.h"

#include "sim/aircraft_variables.h"
#include "sim/known_names.h"
#include "sim/variable_text.h"

namespace lab::world {
namespace {

struct VariableKey {
  const char* key;
  const char* variable;
};

constexpr VariableKey kVariableKeys[] = {
    {"com1-active", "COM ACTIVE FREQUENCY:1"},   {"com1-standby", "COM STANDBY FREQUENCY:1"},
    {"com2-active", "COM ACTIVE FREQUENCY:2"},   {"com2-standby", "COM STANDBY FREQUENCY:2"},
    {"nav1-active", "NAV ACTIVE FREQUENCY:1"},   {"nav1-standby", "NAV STANDBY FREQUENCY:1"},
    {"nav2-active", "NAV ACTIVE FREQUENCY:2"},   {"nav2-standby", "NAV STANDBY FREQUENCY:2"},
    {"adf1-active", "ADF ACTIVE FREQUENCY:1"},   {"adf1-standby", "ADF STANDBY FREQUENCY:1"},
    {"adf2-active", "ADF ACTIVE FREQUENCY:2"},   {"adf2-standby", "ADF STANDBY FREQUENCY:2"},
    {"transponder-code", "TRANSPONDER CODE:1"},
    {"transponder-available", "TRANSPONDER AVAILABLE"},
    {"avionics-master", "AVIONICS MASTER SWITCH"},
    {"panel-light", "LIGHT PANEL"},
};

}  // namespace

std::map<std::string, AircraftKeySetter> aircraftKeys() {
  std::map<std::string, AircraftKeySetter> keys;
  for (const VariableKey& entry : kVariableKeys) {
    sim::AircraftVariable variable = *sim::findVariable(entry.variable);
    keys[entry.key] = [variable, key = std::string(entry.key)](
                          const std::string& value, WorldSettings& world, std::string& why) {
      auto parsed = sim::parseVariableText(variable, value);
      if (!parsed) {
        why = key + " takes " + sim::variableTextHint(variable) + ", not \"" + value + "\"";
        return false;
      }
      sim::writeVariable(world.aircraft, variable, *parsed);
      return true;
    };
  }
  keys["radio-tuning"] = [](const std::string& value, WorldSettings& world, std::string& why) {
    bool active = sim::equalsIgnoringCase(value, "active");
    if (!active && !sim::equalsIgnoringCase(value, "standby")) {
      why = "radio-tuning is standby or active";
      return false;
    }
    world.radioTuning = active ? RadioTuning::Active : RadioTuning::Standby;
    return true;
  };
  return keys;
}

}  // namespace lab::world
