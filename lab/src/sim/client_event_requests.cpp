// Client events: MapClientEventToSimEvent, TransmitClientEvent,
// AddClientEventToNotificationGroup, SetNotificationGroupPriority.
#include "known_names.h"
#include "sim_world.h"

#include <SimConnect.h>

#include <algorithm>

namespace lab::sim {

namespace wire = simconnect::wire;

void SimWorld::on(ClientSession& session, uint32_t sendId,
                  const wire::MapClientEventToSimEvent& r) {
  if (session.mappedEvents.count(r.eventId)) {
    sendException(session, SIMCONNECT_EXCEPTION_EVENT_ID_DUPLICATE, sendId, 1);
    return;
  }
  // An empty name makes an event private to the client.
  if (!r.eventName.empty() && !isSimulatorEvent(r.eventName) && !isCustomEvent(r.eventName)) {
    sendException(session, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, sendId, 2);
    return;
  }
  session.mappedEvents.emplace(r.eventId, r.eventName);
}

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::TransmitClientEvent& r) {
  auto mapped = session.mappedEvents.find(r.eventId);
  if (mapped == session.mappedEvents.end()) {
    sendException(session, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, sendId, 2);
    return;
  }
  std::string name = mapped->second;
  events_.add({session.id, session.name, name, r.eventId, r.data, r.objectId, r.groupId,
               r.flags, std::chrono::steady_clock::now()});
  if (isSimulatorEvent(name)) simulatorEventTransmitted(name, r.objectId, r.data);
  if (!name.empty()) deliverClientEvent(name, r.data);
}

void SimWorld::on(ClientSession& session, uint32_t,
                  const wire::AddClientEventToNotificationGroup& r) {
  NotificationGroup& group = session.groups[r.groupId];
  if (std::find(group.eventIds.begin(), group.eventIds.end(), r.eventId) == group.eventIds.end())
    group.eventIds.push_back(r.eventId);
  group.maskable[r.eventId] = r.maskable != 0;
}

void SimWorld::on(ClientSession& session, uint32_t,
                  const wire::SetNotificationGroupPriority& r) {
  session.groups[r.groupId].priority = r.priority;
}

void SimWorld::deliverClientEvent(const std::string& name, uint32_t data) {
  for (auto& [id, session] : sessions_) {
    if (!session.live()) continue;
    for (const auto& [eventId, mappedName] : session.mappedEvents) {
      if (!equalsIgnoringCase(mappedName, name)) continue;
      // One message per mapping, in the group of the highest priority (the
      // lowest number) that holds the event.
      const std::pair<const uint32_t, NotificationGroup>* best = nullptr;
      for (const auto& entry : session.groups) {
        const auto& ids = entry.second.eventIds;
        if (std::find(ids.begin(), ids.end(), eventId) == ids.end()) continue;
        if (!best || entry.second.priority < best->second.priority) best = &entry;
      }
      if (best) sendEvent(session, best->first, eventId, data);
    }
  }
}

}  // namespace lab::sim
