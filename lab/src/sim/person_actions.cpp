// What a person at the simulator does: start and stop a flight, quit, pull
// the plug, choose from a menu; and the faults tests inject.
#include "sim_world.h"

#include <SimConnect.h>

#include <algorithm>

namespace lab::sim {

namespace wire = simconnect::wire;

namespace {

constexpr size_t kMenuChoices = 10;  // SIMCONNECT_TEXT_RESULT_MENU_SELECT_1..10

// The position of item in a menu text: its index "0".."9" or its text.
std::optional<uint32_t> menuTextChoice(const TextRecord& menu, const std::string& item) {
  size_t choices = std::min(menu.menuItems.size(), kMenuChoices);
  if (item.size() == 1 && item[0] >= '0' && item[0] <= '9') {
    size_t index = static_cast<size_t>(item[0] - '0');
    if (index < choices) return static_cast<uint32_t>(index);
  }
  for (size_t i = 0; i < choices; ++i)
    if (menu.menuItems[i] == item) return static_cast<uint32_t>(i);
  return std::nullopt;
}

}  // namespace

void SimWorld::startFlight() {
  flightRunning_ = true;
  fireSystemEvent("SimStart", 0);
  fireSystemEvent("Sim", 1);
}

void SimWorld::stopFlight() {
  flightRunning_ = false;
  fireSystemEvent("SimStop", 0);
  fireSystemEvent("Sim", 0);
}

void SimWorld::quitAll() {
  for (auto& [id, session] : sessions_) {
    if (session.live()) sink_.send(id, wire::encodeQuitMessage());
    endSession(session);
  }
}

void SimWorld::endAllSessions() {
  for (auto& [id, session] : sessions_) endSession(session);
}

bool SimWorld::choose(const std::string& client, const std::string& item) {
  ClientSession* session = findConnected(client);
  if (!session || !session->opened) return false;
  if (session->openMenu) {
    if (auto index = menuTextChoice(*session->openMenu, item)) {
      uint32_t eventId = session->openMenu->eventId;
      session->openMenu.reset();
      sendEvent(*session, kNoGroup, eventId, *index);
      return true;
    }
  }
  auto entry = session->menu.findChoice(item);
  if (!entry) return false;
  sendEvent(*session, kNoGroup, entry->eventId, entry->data);
  return true;
}

bool SimWorld::sendRaw(const std::string& client, std::vector<uint8_t> bytes) {
  ClientSession* session = findConnected(client);
  if (!session) return false;
  sink_.send(session->id, std::move(bytes));
  return true;
}

bool SimWorld::closeMidPacket(const std::string& client) {
  ClientSession* session = findConnected(client);
  if (!session) return false;
  auto event = wire::encodeEventMessage(kNoGroup, 0, 0);
  event.resize(event.size() / 2);
  sink_.send(session->id, std::move(event));
  endSession(*session);
  return true;
}

bool SimWorld::disconnect(const std::string& client) {
  ClientSession* session = findConnected(client);
  if (!session) return false;
  endSession(*session);
  return true;
}

}  // namespace lab::sim
