#pragma once
// Another SimConnect client of the lab, as the transponder bridge is one: it
// maps the four transponder names, adds them to a notification group and
// records every event it receives.
#include <SimConnect.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

class CustomEventListener {
 public:
  ~CustomEventListener();
  // Connects to the lab of this process's runtime folder and returns once
  // the simulator has taken the listener's mappings.
  bool open();
  // Dispatches until (name, data) arrives after the last event that a
  // waitFor matched, so waits follow the order of the events; false when it
  // does not come within the timeout.
  bool waitFor(const std::string& name, DWORD data, std::chrono::milliseconds timeout);
  const std::vector<std::pair<std::string, DWORD>>& received() const { return received_; }

 private:
  static void dispatch(SIMCONNECT_RECV* message, DWORD size, void* self);
  HANDLE simConnect_ = nullptr;
  std::vector<std::pair<std::string, DWORD>> received_;
  size_t matched_ = 0;  // events before this index are used up
  bool ready_ = false;  // the simulator has served the set-up
};

}  // namespace e2e
