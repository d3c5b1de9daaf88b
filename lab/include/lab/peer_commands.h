#pragma once
// The "peer" family of control commands (`kestrix-lab peer ...`), answered
// from the lab's peer window.
#include "lab/control_server.h"
#include "lab/peer_window.h"

namespace lab::control {

ControlServer::Handler peerCommands(PeerWindow& peer);

}  // namespace lab::control
