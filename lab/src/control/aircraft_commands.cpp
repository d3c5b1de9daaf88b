#include "aircraft_commands.h"

#include "json_writer.h"
#include "sim/aircraft_variables.h"
#include "sim/known_names.h"
#include "sim/variable_text.h"

#include <algorithm>
#include <sstream>

namespace lab::control {
namespace {

using sim::AircraftVariable;

// Not an aircraft variable but a setting of the lab's aircraft, which `sim
// set` and `sim get` reach too.
constexpr std::string_view kRadioTuning = "radio-tuning";

const char* tuningName(RadioTuning tuning) {
  return tuning == RadioTuning::Active ? "active" : "standby";
}

Reply unknownVariable(const std::string& name) {
  std::string text = "kestrix-lab: the aircraft has no variable \"" + name + "\"; it has:\n";
  for (const std::string& known : sim::variableNames()) text += "  " + known + "\n";
  text += "  " + std::string(kRadioTuning) + " (standby or active)\n";
  return {kBadUsage, text};
}

std::string variableText(const std::string& name, double value) {
  return sim::variableText(*sim::findVariable(name), value);
}

Reply setTuning(Simulator& simulator, const std::string& value) {
  if (value != "standby" && value != "active")
    return {kBadUsage, "kestrix-lab: radio-tuning is standby or active, not \"" + value + "\"\n"};
  simulator.setRadioTuning(value == "active" ? RadioTuning::Active : RadioTuning::Standby);
  return {kOk, std::string(kRadioTuning) + " = " + value + "\n"};
}

void writeRadio(JsonWriter& json, const char* name, const RadioFrequencies& radio) {
  json.key(name).beginObject().key("active").value(radio.activeKhz)
      .key("standby").value(radio.standbyKhz).endObject();
}

std::string radiosJson(const AircraftRadios& radios, RadioTuning tuning) {
  JsonWriter json;
  json.beginObject();
  writeRadio(json, "com1", radios.com1);
  writeRadio(json, "com2", radios.com2);
  writeRadio(json, "nav1", radios.nav1);
  writeRadio(json, "nav2", radios.nav2);
  writeRadio(json, "adf1", radios.adf1);
  writeRadio(json, "adf2", radios.adf2);
  json.key("transponder").beginObject()
      .key("code").value(variableText("TRANSPONDER CODE:1", radios.transponderCode))
      .key("available").value(radios.transponderAvailable)
      .endObject()
      .key("avionicsMaster").value(radios.avionicsMaster)
      .key("panelLight").value(radios.panelLight)
      .key("radioTuning").value(tuningName(tuning));
  return json.endObject().text();
}

// One radio's line: "COM1   active 122.800   standby 118.000".
std::string radioLine(const char* label, const char* variable, const RadioFrequencies& radio) {
  std::string active = variableText(std::string(variable), radio.activeKhz);
  std::string standby = variableText(std::string(variable), radio.standbyKhz);
  std::string line = std::string(label) + "   active " + active;
  line.resize(std::max<size_t>(line.size() + 3, 24), ' ');
  return line + "standby " + standby + "\n";
}

std::string radiosText(const AircraftRadios& radios, RadioTuning tuning) {
  std::ostringstream out;
  out << radioLine("COM1", "COM ACTIVE FREQUENCY:1", radios.com1)
      << radioLine("COM2", "COM ACTIVE FREQUENCY:2", radios.com2)
      << radioLine("NAV1", "NAV ACTIVE FREQUENCY:1", radios.nav1)
      << radioLine("NAV2", "NAV ACTIVE FREQUENCY:2", radios.nav2)
      << radioLine("ADF1", "ADF ACTIVE FREQUENCY:1", radios.adf1)
      << radioLine("ADF2", "ADF ACTIVE FREQUENCY:2", radios.adf2)
      << "XPNDR  " << variableText("TRANSPONDER CODE:1", radios.transponderCode)
      << (radios.transponderAvailable ? "" : " (not available)") << "\n"
      << "avionics master " << (radios.avionicsMaster ? "on" : "off") << ", panel light "
      << (radios.panelLight ? "on" : "off") << ", inc/dec tune the " << tuningName(tuning)
      << " frequencies\n";
  return out.str();
}

}  // namespace

Reply setVariableCommand(Simulator& simulator, const MatchedCommand& command) {
  const std::string& name = command.arguments[0];
  const std::string& text = command.arguments[1];
  if (sim::equalsIgnoringCase(name, kRadioTuning)) return setTuning(simulator, text);
  auto variable = sim::findVariable(name);
  if (!variable) return unknownVariable(name);
  auto value = sim::parseVariableText(*variable, text);
  if (!value || simulator.setVariable(name, *value) != SetVariableResult::Done)
    return {kBadUsage, "kestrix-lab: " + variable->name + " takes " +
                           sim::variableTextHint(*variable) + ", not \"" + text + "\"\n"};
  return {kOk, variable->name + " = " + sim::variableText(*variable, *value) + "\n"};
}

Reply getVariableCommand(Simulator& simulator, const MatchedCommand& command) {
  const std::string& name = command.arguments[0];
  if (sim::equalsIgnoringCase(name, kRadioTuning))
    return {kOk, std::string(tuningName(simulator.radioTuning())) + "\n"};
  auto variable = sim::findVariable(name);
  auto value = simulator.variable(name);
  if (!variable || !value) return unknownVariable(name);
  return {kOk, sim::variableText(*variable, *value) + "\n"};
}

Reply radiosCommand(Simulator& simulator, const MatchedCommand& command) {
  AircraftRadios radios = simulator.radios();
  RadioTuning tuning = simulator.radioTuning();
  return {kOk, command.json ? radiosJson(radios, tuning) : radiosText(radios, tuning)};
}

}  // namespace lab::control
