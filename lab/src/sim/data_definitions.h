#pragma once
// A client's data definitions: for each define id, the datums added to it
// in order. Each datum names an aircraft variable, the unit and data type
// the client wants it in, the epsilon of a change and the id it is tagged
// with.
#include "aircraft_variables.h"
#include "variable_units.h"

#include <simconnect/wire.h>

#include <cstdint>
#include <map>
#include <vector>

namespace lab::sim {

struct Datum {
  AircraftVariable variable;
  Unit unit;
  uint32_t dataType;
  float epsilon;
  uint32_t datumId;  // SIMCONNECT_UNUSED for datums that are never tagged
};

using DataDefinition = std::vector<Datum>;

// Why an AddToDataDefinition cannot be taken; each names a field of the call.
enum class DatumFault {
  None,
  UnknownVariable,   // no such variable: field 2
  UnitsDoNotFit,     // unknown units, or units of another quantity: field 3
  BadDataType,       // not a numeric type: field 4
  DuplicateDatumId,  // the definition has a datum of that id: field 6
};

class DataDefinitionBook {
 public:
  DatumFault add(const simconnect::wire::AddToDataDefinition& request);
  // False when there is no definition of that id.
  bool clear(uint32_t defineId);
  const DataDefinition* find(uint32_t defineId) const;

 private:
  std::map<uint32_t, DataDefinition> definitions_;
};

}  // namespace lab::sim
