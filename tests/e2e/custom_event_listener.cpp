#include "custom_event_listener.h"

#include <algorithm>
#include <thread>

namespace e2e {
namespace {

constexpr const char* kNames[] = {"ZRQ-XPNDR.Mode", "ZRQ-XPNDR.Position", "ZRQ-XPNDR.Status",
                                  "ZRQ-XPNDR.Ident"};
constexpr DWORD kGroup = 1;
constexpr DWORD kReadyRequest = 99;  // answered once the set-up before it was served

}  // namespace

CustomEventListener::~CustomEventListener() {
  if (simConnect_) SimConnect_Close(simConnect_);
}

bool CustomEventListener::open() {
  if (FAILED(SimConnect_Open(&simConnect_, "Listener", nullptr, 0, nullptr, 0))) return false;
  for (DWORD id = 0; id < 4; ++id) {
    SimConnect_MapClientEventToSimEvent(simConnect_, id, kNames[id]);
    SimConnect_AddClientEventToNotificationGroup(simConnect_, kGroup, id, 0);
  }
  SimConnect_SetNotificationGroupPriority(simConnect_, kGroup, SIMCONNECT_GROUP_PRIORITY_HIGHEST);
  // The simulator serves a client's calls in order: once this answer is
  // here, no event sent from now on can miss the listener.
  SimConnect_RequestSystemState(simConnect_, kReadyRequest, "Sim");
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!ready_) {
    SimConnect_CallDispatch(simConnect_, &CustomEventListener::dispatch, this);
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void CustomEventListener::dispatch(SIMCONNECT_RECV* message, DWORD size, void* self) {
  if (message->dwID == SIMCONNECT_RECV_ID_SYSTEM_STATE && size >= sizeof(SIMCONNECT_RECV_SYSTEM_STATE) &&
      static_cast<SIMCONNECT_RECV_SYSTEM_STATE*>(message)->dwRequestID == kReadyRequest)
    static_cast<CustomEventListener*>(self)->ready_ = true;
  if (message->dwID != SIMCONNECT_RECV_ID_EVENT || size < sizeof(SIMCONNECT_RECV_EVENT)) return;
  auto* event = static_cast<SIMCONNECT_RECV_EVENT*>(message);
  if (event->uEventID < 4)
    static_cast<CustomEventListener*>(self)->received_.emplace_back(kNames[event->uEventID],
                                                                    event->dwData);
}

bool CustomEventListener::waitFor(const std::string& name, DWORD data,
                                  std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  std::pair<std::string, DWORD> wanted{name, data};
  for (;;) {
    SimConnect_CallDispatch(simConnect_, &CustomEventListener::dispatch, this);
    auto found = std::find(received_.begin() + static_cast<long>(matched_), received_.end(), wanted);
    if (found != received_.end()) {
      matched_ = static_cast<size_t>(found - received_.begin()) + 1;
      return true;
    }
    if (std::chrono::steady_clock::now() > deadline) return false;
    // The client reads what has arrived without waiting; poll gently.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace e2e
