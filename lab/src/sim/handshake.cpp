// Open: the first packet of every client.
#include "sim_world.h"

#include <SimConnect.h>

namespace lab::sim {

namespace wire = simconnect::wire;

namespace {

// Protocol 2 is FSX RTM, 3 SP1, 4 SP2; the lab speaks them all and answers
// as an SP2 simulator.
bool isSupportedProtocol(uint32_t protocol) { return protocol >= 2 && protocol <= 4; }

}  // namespace

void SimWorld::openSession(ClientSession& session, const Wire& request) {
  const auto& open = std::get<wire::Open>(request.body);
  session.name = open.applicationName;
  if (!isSupportedProtocol(request.protocol)) {
    sendException(session, SIMCONNECT_EXCEPTION_VERSION_MISMATCH, request.sendId,
                  kUnknownIndex);
    endSession(session);
    return;
  }
  session.opened = true;
  sink_.send(session.id, wire::encodeOpenMessage(wire::OpenInfo{}));
}

}  // namespace lab::sim
