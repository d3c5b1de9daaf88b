// What the aircraft model answers: data definitions, data requests on the
// user aircraft, the frames that send their data, and the simulator events
// that change the aircraft.
#include "aircraft_events.h"
#include "sim_world.h"

#include <SimConnect.h>

namespace lab::sim {

namespace wire = simconnect::wire;

namespace {

// The 1-based field of AddToDataDefinition that a fault names.
uint32_t fieldOf(DatumFault fault) {
  switch (fault) {
    case DatumFault::UnknownVariable:
      return 2;
    case DatumFault::UnitsDoNotFit:
      return 3;
    case DatumFault::BadDataType:
      return 4;
    default:
      return 6;
  }
}

uint32_t exceptionOf(DatumFault fault) {
  switch (fault) {
    case DatumFault::BadDataType:
      return SIMCONNECT_EXCEPTION_INVALID_DATA_TYPE;
    case DatumFault::DuplicateDatumId:
      return SIMCONNECT_EXCEPTION_DATUM_ID;
    default:
      return SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED;
  }
}

}  // namespace

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::AddToDataDefinition& r) {
  DatumFault fault = session.dataDefinitions.add(r);
  if (fault != DatumFault::None) sendException(session, exceptionOf(fault), sendId, fieldOf(fault));
}

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::ClearDataDefinition& r) {
  if (!session.dataDefinitions.clear(r.defineId)) {
    sendException(session, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, sendId, 1);
    return;
  }
  session.dataRequests.stopUsing(r.defineId);
}

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::RequestDataOnSimObject& r) {
  // Stopping needs nothing else to be right: a client may clear the
  // definition first.
  if (r.period == SIMCONNECT_PERIOD_NEVER) {
    session.dataRequests.stop(r.requestId);
    return;
  }
  if (!session.dataDefinitions.find(r.defineId)) {
    sendException(session, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, sendId, 2);
    return;
  }
  // The lab's world has one object: the user aircraft.
  if (r.objectId != SIMCONNECT_OBJECT_ID_USER) {
    sendException(session, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, sendId, 3);
    return;
  }
  if (r.period > SIMCONNECT_PERIOD_SECOND) {
    sendException(session, SIMCONNECT_EXCEPTION_INVALID_ENUM, sendId, 4);
    return;
  }
  session.dataRequests.start(r);
}

std::optional<std::chrono::steady_clock::time_point> SimWorld::nextWorkDue() const {
  for (const auto& [id, session] : sessions_)
    if (session.live() && !session.dataRequests.empty()) return frames_.next();
  return std::nullopt;
}

void SimWorld::runDueWork(std::chrono::steady_clock::time_point now) {
  if (!nextWorkDue() || !frames_.tick(now)) return;
  for (auto& [id, session] : sessions_) {
    if (!session.live()) continue;
    for (DataAnswer& answer : session.dataRequests.runFrame(session.dataDefinitions, aircraft_)) {
      const auto& head = answer.head;
      dataMessages_.add({id, session.name, head.requestId, head.defineId, head.objectId,
                         head.flags, head.defineCount, static_cast<uint32_t>(answer.message.size()),
                         std::chrono::steady_clock::now()});
      sink_.send(id, std::move(answer.message));
    }
  }
}

void SimWorld::simulatorEventTransmitted(const std::string& name, uint32_t objectId,
                                         uint32_t data) {
  if (objectId == SIMCONNECT_OBJECT_ID_USER) applySimulatorEvent(aircraft_, tuning_, name, data);
}

}  // namespace lab::sim
