#pragma once
// The "sim" family of control commands (`kestrix-lab sim ...`), answered
// from a running Simulator.
#include "lab/control_server.h"
#include "lab/simulator.h"

namespace lab::control {

ControlServer::Handler simCommands(Simulator& simulator);

}  // namespace lab::control
