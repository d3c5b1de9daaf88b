#include "refresh_watcher.h"

#include <platform/system_facts.h>

void RefreshWatcher(std::shared_ptr<RefreshRequest> request, std::string serial) {
  using platform::NamedEvent;
  platform::nameThisThread(serial + " refresh");
  if (!request->event) return;
  while (!request->keyThreadEnding) {
    const NamedEvent::WaitResult result = request->event->wait(-1);
    if (result != NamedEvent::WaitResult::Signaled) break;  // ended, or the event failed
    request->requestNeeded = true;
    if (request->wakeKeyThread) request->wakeKeyThread();
  }
}
