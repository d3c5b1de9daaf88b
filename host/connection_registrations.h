#pragma once
#include <SimConnect.h>

#include <map>
#include <set>

// What one connection to the simulator already holds of the devices'
// registrations. The simulator keeps client-event mappings for the whole
// connection and refuses a second mapping of an id, and every device of one
// kind uses the same ids; so each mapping is made once per connection, and a
// data definition is shared by the devices that use it: the first adds it
// and starts its request, the last to go stops and clears it.
//
// The session owns one per connection and starts it afresh when it connects.
class ConnectionRegistrations {
 public:
  // True the first time an event id is claimed on this connection: the
  // caller maps it now.
  bool claimEventMapping(DWORD eventId) { return mappedEvents_.insert(eventId).second; }
  // True for the first device that uses the definition: it adds the
  // definition and starts the data request.
  bool joinDataDefinition(DWORD definitionId) { return ++definitionUsers_[definitionId] == 1; }
  // True for the last device that used the definition: it stops the data
  // request and clears the definition.
  bool leaveDataDefinition(DWORD definitionId);

  void clear();

 private:
  std::set<DWORD> mappedEvents_;
  std::map<DWORD, int> definitionUsers_;
};
