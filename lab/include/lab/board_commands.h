#pragma once
// The "board" family of control commands (`kestrix-lab board ...`),
// answered from a running BoardRack.
#include "lab/boards.h"
#include "lab/control_server.h"

namespace lab::control {

ControlServer::Handler boardCommands(BoardRack& rack);

}  // namespace lab::control
