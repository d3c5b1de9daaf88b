#pragma once
// What the simulator keeps for one client connection: who it is and what it
// registered. Ended sessions stay (disconnected) so that tests and the CLI
// can still see who was there.
#include "data_definitions.h"
#include "data_requests.h"
#include "lab/simulator.h"
#include "menu_book.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lab::sim {

struct NotificationGroup {
  uint32_t priority = 2000000000;  // SIMCONNECT_GROUP_PRIORITY_DEFAULT until set
  std::vector<uint32_t> eventIds;  // in the order they were added
  // Maskable flags are kept but not acted on: the lab has no group masking.
  std::map<uint32_t, bool> maskable;
};

struct ClientSession {
  uint32_t id = 0;
  std::string name;
  bool opened = false;
  bool connected = true;

  MenuBook menu;
  std::map<uint32_t, std::string> systemEvents;  // client event id -> system event name
  std::map<uint32_t, std::string> mappedEvents;  // client event id -> event name as given
  std::map<uint32_t, NotificationGroup> groups;  // by group id
  std::optional<TextRecord> openMenu;            // the menu text on screen, if any
  DataDefinitionBook dataDefinitions;
  DataRequestBook dataRequests;

  bool live() const { return connected && opened; }
};

}  // namespace lab::sim
