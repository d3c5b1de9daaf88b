// What the aircraft model answers: data definitions, data requests on sim
// objects and the simulator events that change the aircraft. The lab has no
// aircraft model yet: until it does, every data call is answered with an
// EXCEPTION so that a client never waits on silence, and simulator events
// are only recorded.
#include "sim_world.h"

#include <SimConnect.h>

namespace lab::sim {

namespace wire = simconnect::wire;

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::AddToDataDefinition&) {
  sendException(session, SIMCONNECT_EXCEPTION_ERROR, sendId, kUnknownIndex);
}

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::ClearDataDefinition&) {
  sendException(session, SIMCONNECT_EXCEPTION_ERROR, sendId, kUnknownIndex);
}

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::RequestDataOnSimObject&) {
  sendException(session, SIMCONNECT_EXCEPTION_ERROR, sendId, kUnknownIndex);
}

void SimWorld::simulatorEventTransmitted(const std::string&, uint32_t) {}

}  // namespace lab::sim
