// System events and states: SubscribeToSystemEvent,
// UnsubscribeFromSystemEvent, RequestSystemState.
#include "known_names.h"
#include "sim_world.h"

#include <SimConnect.h>

namespace lab::sim {

namespace wire = simconnect::wire;

namespace {

struct SystemState {
  uint32_t integer = 0;
  float value = 0;
  std::string text;
};

// The states a client may ask for, as a simulator with the lab's one
// aircraft and flight would answer them.
std::optional<SystemState> systemState(const std::string& name, bool flightRunning) {
  if (equalsIgnoringCase(name, "Sim")) return SystemState{flightRunning ? 1u : 0u, 0, ""};
  if (equalsIgnoringCase(name, "AircraftLoaded"))
    return SystemState{0, 0, "SimObjects\\Airplanes\\C172\\Cessna172SP.air"};
  if (equalsIgnoringCase(name, "DialogMode")) return SystemState{0, 0, ""};
  if (equalsIgnoringCase(name, "FlightLoaded"))
    return SystemState{0, 0, "Flights\\Kestrix Lab.FLT"};
  if (equalsIgnoringCase(name, "FlightPlan")) return SystemState{0, 0, ""};
  return std::nullopt;
}

}  // namespace

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::SubscribeToSystemEvent& r) {
  auto name = systemEventName(r.name);
  if (!name) {
    sendException(session, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, sendId, 2);
    return;
  }
  if (!session.systemEvents.emplace(r.eventId, *name).second)
    sendException(session, SIMCONNECT_EXCEPTION_EVENT_ID_DUPLICATE, sendId, 1);
}

void SimWorld::on(ClientSession& session, uint32_t sendId,
                  const wire::UnsubscribeFromSystemEvent& r) {
  if (session.systemEvents.erase(r.eventId) == 0)
    sendException(session, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, sendId, 1);
}

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::RequestSystemState& r) {
  auto state = systemState(r.stateName, flightRunning_);
  if (!state) {
    sendException(session, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, sendId, 2);
    return;
  }
  sink_.send(session.id, wire::encodeSystemStateMessage(r.requestId, state->integer,
                                                        state->value, state->text));
}

void SimWorld::fireSystemEvent(const std::string& name, uint32_t data) {
  for (auto& [id, session] : sessions_) {
    if (!session.live()) continue;
    for (const auto& [eventId, subscribed] : session.systemEvents)
      if (subscribed == name) sendEvent(session, kNoGroup, eventId, data);
  }
}

}  // namespace lab::sim
