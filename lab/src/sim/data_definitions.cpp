#include "data_definitions.h"

#include "datum_values.h"

#include <SimConnect.h>

#include <algorithm>

namespace lab::sim {

DatumFault DataDefinitionBook::add(const simconnect::wire::AddToDataDefinition& request) {
  auto variable = findVariable(request.datumName);
  if (!variable) return DatumFault::UnknownVariable;
  auto unit = unitFor(variable->kind, request.unitsName);
  if (!unit) return DatumFault::UnitsDoNotFit;
  if (!isNumericDataType(request.dataType)) return DatumFault::BadDataType;
  DataDefinition& definition = definitions_[request.defineId];
  // Untagged datums may all keep the default id; tagged ones must differ.
  if (request.datumId != SIMCONNECT_UNUSED &&
      std::any_of(definition.begin(), definition.end(),
                  [&](const Datum& d) { return d.datumId == request.datumId; }))
    return DatumFault::DuplicateDatumId;
  definition.push_back(
      {*variable, *unit, request.dataType, request.epsilon, request.datumId});
  return DatumFault::None;
}

bool DataDefinitionBook::clear(uint32_t defineId) { return definitions_.erase(defineId) > 0; }

const DataDefinition* DataDefinitionBook::find(uint32_t defineId) const {
  auto found = definitions_.find(defineId);
  return found == definitions_.end() ? nullptr : &found->second;
}

}  // namespace lab::sim
