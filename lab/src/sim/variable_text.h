#pragma once
// An aircraft variable's value as a person writes and reads it (for
// `kestrix-lab sim set|get` and the world file): MHz for COM ("121.500")
// and NAV ("110.50"), kHz for ADF ("1234.5"), the four octal digits of the
// transponder code ("7700"), 0 or 1 for switches.
#include "aircraft_variables.h"

#include <optional>
#include <string>
#include <string_view>

namespace lab::sim {

// The value in the variable's own unit; nothing when the text is no value
// the variable can take.
std::optional<double> parseVariableText(const AircraftVariable& variable, std::string_view text);

// The value as a person writes it: parseVariableText reads it back.
std::string variableText(const AircraftVariable& variable, double value);

// What the variable takes, for a message: "MHz from 118.000 to 136.975".
std::string variableTextHint(const AircraftVariable& variable);

}  // namespace lab::sim
