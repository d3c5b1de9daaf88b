#include "refresh_watcher.h"

#include <platform/system_facts.h>

void RefreshWatcher(std::shared_ptr<RefreshRequest> request, std::string serial) {
  using platform::NamedEvent;
  platform::nameThisThread(serial + " refresh");
  if (!request->event) return;
  // Ends when the key thread ends the wait, or the event fails.
  while (request->event->wait(-1) == NamedEvent::WaitResult::Signaled) {
    request->requestNeeded = true;
    if (request->wakeKeyThread) request->wakeKeyThread();
  }
}
