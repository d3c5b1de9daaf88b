#include "variable_units.h"

#include "known_names.h"

#include <cmath>
#include <cstdint>

namespace lab::sim {
namespace {

struct UnitName {
  std::string_view name;
  Unit unit;
};

constexpr UnitName kUnitNames[] = {
    {"khz", Unit::Kilohertz},         {"kilohertz", Unit::Kilohertz},
    {"mhz", Unit::Megahertz},         {"megahertz", Unit::Megahertz},
    {"hz", Unit::Hertz},              {"hertz", Unit::Hertz},
    {"frequency bcd16", Unit::FrequencyBcd16}, {"bcd16", Unit::FrequencyBcd16},
    {"bco16", Unit::Bco16},
    {"bool", Unit::Bool},             {"boolean", Unit::Bool},
};

bool isFrequency(VariableKind kind) {
  return kind == VariableKind::ComFrequency || kind == VariableKind::NavFrequency ||
         kind == VariableKind::AdfFrequency;
}

bool measures(Unit unit, VariableKind kind) {
  switch (unit) {
    case Unit::Bco16:
      return kind == VariableKind::TransponderCode;
    case Unit::Bool:
      return kind == VariableKind::Switch;
    default:
      return isFrequency(kind);
  }
}

// The four lowest decimal digits of n, one per nibble.
uint32_t packedDecimal(int64_t n) {
  uint32_t packed = 0;
  for (int shift = 0; shift < 16; shift += 4, n /= 10)
    packed |= static_cast<uint32_t>(n % 10) << shift;
  return packed;
}

// COM and NAV: the digits of 10 kHz steps below the hundreds of MHz
// (122.80 -> 0x2280, 110.50 -> 0x1050); ADF: those of whole kHz (350 -> 0x0350).
double bcd16(VariableKind kind, double khz) {
  if (kind == VariableKind::AdfFrequency) return packedDecimal(static_cast<int64_t>(khz));
  return packedDecimal(std::llround(khz) / 10);
}

}  // namespace

std::optional<Unit> unitFor(VariableKind kind, std::string_view unitsName) {
  for (const UnitName& known : kUnitNames)
    if (equalsIgnoringCase(known.name, unitsName))
      return measures(known.unit, kind) ? std::optional(known.unit) : std::nullopt;
  return std::nullopt;
}

double inUnit(VariableKind kind, Unit unit, double value) {
  switch (unit) {
    case Unit::Megahertz:
      return value / 1000.0;
    case Unit::Hertz:
      return value * 1000.0;
    case Unit::FrequencyBcd16:
      return bcd16(kind, value);
    default:
      return value;  // kHz, BCO16 and Bool are the variables' own units
  }
}

}  // namespace lab::sim
