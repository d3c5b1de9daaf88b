#pragma once
// The units a data definition may ask a variable in, and the value in them.
// A frequency comes in "Khz", "MHz", "Hz" or "Frequency BCD16"; the
// transponder code in "BCO16"; a switch in "Bool". Unit names ignore letter
// case, as in the simulator.
#include "aircraft_variables.h"

#include <optional>
#include <string_view>

namespace lab::sim {

enum class Unit { Kilohertz, Megahertz, Hertz, FrequencyBcd16, Bco16, Bool };

// The unit of that name, if it measures this kind of variable.
std::optional<Unit> unitFor(VariableKind kind, std::string_view unitsName);

// A variable's value (in its own unit, see aircraft_variables.h) in unit.
double inUnit(VariableKind kind, Unit unit, double value);

}  // namespace lab::sim
