#pragma once
// The aircraft's simulation variables by their simulator names, and how
// each one reads and writes lab::AircraftRadios in its own unit: kHz for
// frequencies, the BCO16 number for the transponder code, 0 or 1 for
// switches.
#include "lab/simulator.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lab::sim {

// What a variable measures, which decides its units and its range.
enum class VariableKind { ComFrequency, NavFrequency, AdfFrequency, TransponderCode, Switch };

enum class Quantity {
  ComActive, ComStandby, NavActive, NavStandby, AdfActive, AdfStandby,
  TransponderCode, TransponderAvailable, AvionicsMaster, PanelLight,
};

struct AircraftVariable {
  Quantity quantity;
  int index;  // the radio's number (":1", ":2"); 1 for variables without one
  VariableKind kind;
  std::string name;  // as the simulator spells it: "COM ACTIVE FREQUENCY:1"
};

// The variable of a name ("com active frequency:2"; letter case is free,
// and a radio without ":N" is number 1). Nothing for a name the aircraft
// does not have.
std::optional<AircraftVariable> findVariable(std::string_view name);

// The name of every variable, as the simulator spells it.
std::vector<std::string> variableNames();

double readVariable(const AircraftRadios& aircraft, const AircraftVariable& variable);
// Whether the variable can take the value (a COM frequency within 118.000 -
// 136.975 MHz, a BCO16 code, 0 or 1 for a switch, ...).
bool fitsVariable(const AircraftVariable& variable, double value);
// Writes a value that fits.
void writeVariable(AircraftRadios& aircraft, const AircraftVariable& variable, double value);

// The frequencies of one radio: COM, NAV or ADF number 1 or 2.
RadioFrequencies& radioOf(AircraftRadios& aircraft, VariableKind kind, int index);
const RadioFrequencies& radioOf(const AircraftRadios& aircraft, VariableKind kind, int index);

}  // namespace lab::sim
