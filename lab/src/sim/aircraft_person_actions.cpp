// What a person does to the aircraft: set and read its variables.
#include "aircraft_variables.h"
#include "sim_world.h"

namespace lab::sim {

SetVariableResult SimWorld::setVariable(const std::string& name, double value) {
  auto variable = findVariable(name);
  if (!variable) return SetVariableResult::UnknownVariable;
  if (!fitsVariable(*variable, value)) return SetVariableResult::OutOfRange;
  writeVariable(aircraft_, *variable, value);
  return SetVariableResult::Done;
}

std::optional<double> SimWorld::variable(const std::string& name) const {
  auto variable = findVariable(name);
  if (!variable) return std::nullopt;
  return readVariable(aircraft_, *variable);
}

}  // namespace lab::sim
