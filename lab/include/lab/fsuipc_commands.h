#pragma once
// The "fsuipc" family of control commands (`kestrix-lab fsuipc ...`),
// answered from the lab's FSUIPC server.
#include "lab/control_server.h"
#include "lab/fsuipc_server.h"

namespace lab::control {

ControlServer::Handler fsuipcCommands(FsuipcServer& server);

}  // namespace lab::control
