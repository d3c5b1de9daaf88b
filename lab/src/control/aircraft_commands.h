#pragma once
// The aircraft's commands of the "sim" family: `sim set VAR VALUE`,
// `sim get VAR` (aircraft variables, and the lab's radio-tuning setting)
// and `sim radios [--json]`.
#include "lab/command_forms.h"
#include "lab/control_protocol.h"
#include "lab/simulator.h"

namespace lab::control {

Reply setVariableCommand(Simulator& simulator, const MatchedCommand& command);
Reply getVariableCommand(Simulator& simulator, const MatchedCommand& command);
Reply radiosCommand(Simulator& simulator, const MatchedCommand& command);

}  // namespace lab::control
