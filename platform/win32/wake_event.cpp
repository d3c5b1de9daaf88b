#include "platform/wake_event.h"

#include <windows.h>

namespace platform {
namespace {

HANDLE eventOf(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

// An auto-reset event object: a set() is used up by the wait that sees it.
WakeEvent::WakeEvent() {
  if (HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr))
    event_ = reinterpret_cast<intptr_t>(event);
}

WakeEvent::~WakeEvent() {
  if (valid()) CloseHandle(eventOf(event_));
}

bool WakeEvent::valid() const { return event_ != -1; }

void WakeEvent::set() {
  if (valid()) SetEvent(eventOf(event_));
}

// The SimConnect transport of this system sets the event when input
// arrives, so there is no socket to watch here.
void WakeEvent::watchSocket(intptr_t socket) { watchedSocket_ = socket; }

bool WakeEvent::wait(int timeoutMs) {
  if (!valid()) return false;
  return WaitForSingleObject(eventOf(event_),
                             timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs)) ==
         WAIT_OBJECT_0;
}

}  // namespace platform
