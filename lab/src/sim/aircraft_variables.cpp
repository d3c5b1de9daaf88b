#include "aircraft_variables.h"

#include "known_names.h"
#include "radio_rules.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace lab::sim {
namespace {

struct KnownVariable {
  std::string_view name;
  Quantity quantity;
  VariableKind kind;
  int radios;  // how many there are; 0 for a variable without an index
};

constexpr KnownVariable kVariables[] = {
    {"COM ACTIVE FREQUENCY", Quantity::ComActive, VariableKind::ComFrequency, 2},
    {"COM STANDBY FREQUENCY", Quantity::ComStandby, VariableKind::ComFrequency, 2},
    {"NAV ACTIVE FREQUENCY", Quantity::NavActive, VariableKind::NavFrequency, 2},
    {"NAV STANDBY FREQUENCY", Quantity::NavStandby, VariableKind::NavFrequency, 2},
    {"ADF ACTIVE FREQUENCY", Quantity::AdfActive, VariableKind::AdfFrequency, 2},
    {"ADF STANDBY FREQUENCY", Quantity::AdfStandby, VariableKind::AdfFrequency, 2},
    {"TRANSPONDER CODE", Quantity::TransponderCode, VariableKind::TransponderCode, 1},
    {"TRANSPONDER AVAILABLE", Quantity::TransponderAvailable, VariableKind::Switch, 0},
    {"AVIONICS MASTER SWITCH", Quantity::AvionicsMaster, VariableKind::Switch, 0},
    {"LIGHT PANEL", Quantity::PanelLight, VariableKind::Switch, 0},
};

bool isActive(Quantity q) {
  return q == Quantity::ComActive || q == Quantity::NavActive || q == Quantity::AdfActive;
}

// The index after the colon: digits only.
std::optional<int> indexOf(std::string_view text) {
  int index = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return index;
}

bool withinKhz(double value, double low, double high) {
  // Whole hertz only, so that the tuning rules stay exact.
  double hz = value * 1000.0;
  return value >= low && value <= high && std::fabs(hz - std::round(hz)) < 1e-6;
}

bool flag(double value) { return value != 0; }

}  // namespace

std::optional<AircraftVariable> findVariable(std::string_view name) {
  size_t colon = name.find(':');
  std::string_view base = name.substr(0, colon);
  for (const KnownVariable& known : kVariables) {
    if (!equalsIgnoringCase(known.name, base)) continue;
    int index = 1;
    if (colon != std::string_view::npos) {
      auto given = indexOf(name.substr(colon + 1));
      if (!given || known.radios == 0 || *given < 1 || *given > known.radios)
        return std::nullopt;
      index = *given;
    }
    std::string spelled(known.name);
    if (known.radios > 0) spelled += ":" + std::to_string(index);
    return AircraftVariable{known.quantity, index, known.kind, std::move(spelled)};
  }
  return std::nullopt;
}

std::vector<std::string> variableNames() {
  std::vector<std::string> names;
  for (const KnownVariable& known : kVariables) {
    if (known.radios == 0) names.emplace_back(known.name);
    for (int index = 1; index <= known.radios; ++index)
      names.push_back(std::string(known.name) + ":" + std::to_string(index));
  }
  return names;
}

RadioFrequencies& radioOf(AircraftRadios& aircraft, VariableKind kind, int index) {
  return const_cast<RadioFrequencies&>(radioOf(std::as_const(aircraft), kind, index));
}

const RadioFrequencies& radioOf(const AircraftRadios& aircraft, VariableKind kind, int index) {
  bool second = index == 2;
  switch (kind) {
    case VariableKind::ComFrequency:
      return second ? aircraft.com2 : aircraft.com1;
    case VariableKind::NavFrequency:
      return second ? aircraft.nav2 : aircraft.nav1;
    default:
      return second ? aircraft.adf2 : aircraft.adf1;
  }
}

double readVariable(const AircraftRadios& aircraft, const AircraftVariable& variable) {
  switch (variable.quantity) {
    case Quantity::TransponderCode:
      return aircraft.transponderCode;
    case Quantity::TransponderAvailable:
      return aircraft.transponderAvailable ? 1 : 0;
    case Quantity::AvionicsMaster:
      return aircraft.avionicsMaster ? 1 : 0;
    case Quantity::PanelLight:
      return aircraft.panelLight ? 1 : 0;
    default: {
      const RadioFrequencies& radio = radioOf(aircraft, variable.kind, variable.index);
      return isActive(variable.quantity) ? radio.activeKhz : radio.standbyKhz;
    }
  }
}

bool fitsVariable(const AircraftVariable& variable, double value) {
  switch (variable.kind) {
    case VariableKind::ComFrequency:
      return withinKhz(value, kComBand.lowMhz * 1000.0, bandTopKhz(kComBand));
    case VariableKind::NavFrequency:
      return withinKhz(value, kNavBand.lowMhz * 1000.0, bandTopKhz(kNavBand));
    case VariableKind::AdfFrequency:
      return withinKhz(value, kAdfLowKhz, kAdfHighKhz);
    case VariableKind::TransponderCode:
      return value >= 0 && value == std::floor(value) && isBco16Code(static_cast<uint32_t>(value));
    case VariableKind::Switch:
      return value == 0 || value == 1;
  }
  return false;
}

void writeVariable(AircraftRadios& aircraft, const AircraftVariable& variable, double value) {
  switch (variable.quantity) {
    case Quantity::TransponderCode:
      aircraft.transponderCode = static_cast<uint32_t>(value);
      return;
    case Quantity::TransponderAvailable:
      aircraft.transponderAvailable = flag(value);
      return;
    case Quantity::AvionicsMaster:
      aircraft.avionicsMaster = flag(value);
      return;
    case Quantity::PanelLight:
      aircraft.panelLight = flag(value);
      return;
    default: {
      RadioFrequencies& radio = radioOf(aircraft, variable.kind, variable.index);
      (isActive(variable.quantity) ? radio.activeKhz : radio.standbyKhz) = value;
    }
  }
}

}  // namespace lab::sim
