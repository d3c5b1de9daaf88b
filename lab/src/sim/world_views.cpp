// What a person sees of the simulator's state, as plain copies.
#include "sim_world.h"

namespace lab::sim {

std::vector<ClientInfo> SimWorld::clients() const {
  std::vector<ClientInfo> list;
  for (const auto& [id, session] : sessions_)
    list.push_back({id, session.name, session.connected, session.opened});
  return list;
}

std::vector<MenuItemInfo> SimWorld::menus() const {
  std::vector<MenuItemInfo> list;
  for (const auto& [id, session] : sessions_) {
    if (!session.live()) continue;
    for (const MenuEntry& e : session.menu.entries())
      list.push_back({id, session.name, e.text, e.eventId, e.data, e.parentEventId});
  }
  return list;
}

std::optional<TextRecord> SimWorld::openMenuText(const std::string& client) const {
  const ClientSession* session = findConnected(client);
  if (!session) return std::nullopt;
  return session->openMenu;
}

std::vector<SubscriptionInfo> SimWorld::subscriptions() const {
  std::vector<SubscriptionInfo> list;
  for (const auto& [id, session] : sessions_) {
    if (!session.live()) continue;
    for (const auto& [eventId, name] : session.systemEvents)
      list.push_back({id, session.name, eventId, name});
  }
  return list;
}

std::vector<EventMappingInfo> SimWorld::eventMappings() const {
  std::vector<EventMappingInfo> list;
  for (const auto& [id, session] : sessions_) {
    if (!session.live()) continue;
    for (const auto& [eventId, name] : session.mappedEvents) {
      EventMappingInfo info{id, session.name, eventId, name, {}};
      for (const auto& [groupId, group] : session.groups)
        for (uint32_t member : group.eventIds)
          if (member == eventId) info.groupIds.push_back(groupId);
      list.push_back(std::move(info));
    }
  }
  return list;
}

}  // namespace lab::sim
