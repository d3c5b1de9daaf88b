#include "connection_registrations.h"

bool ConnectionRegistrations::leaveDataDefinition(DWORD definitionId) {
  auto users = definitionUsers_.find(definitionId);
  if (users == definitionUsers_.end()) return false;
  if (--users->second > 0) return false;
  definitionUsers_.erase(users);
  return true;
}

void ConnectionRegistrations::clear() {
  mappedEvents_.clear();
  definitionUsers_.clear();
}
