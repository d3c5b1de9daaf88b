#include "refresh_watcher.h"

#include <platform/named_event.h>

#include "controller/named_objects.h"

namespace {

constexpr int kEndingWaitMs = 500;
constexpr int kRefreshWaitMs = 200;

}  // namespace

void RefreshWatcher(std::shared_ptr<RefreshRequest> request, std::string serial) {
  using platform::NamedEvent;
  auto ending = NamedEvent::createOrOpen(keyThreadEndingEventName(serial), false, false);
  if (!ending) return;
  auto refresh = NamedEvent::createOrOpen(keyRefreshEventName(serial), false, false);
  while (!request->keyThreadEnding) {
    if (ending->wait(kEndingWaitMs) == NamedEvent::WaitResult::Signaled) break;
    if (refresh && refresh->wait(kRefreshWaitMs) == NamedEvent::WaitResult::Signaled)
      request->requestNeeded = true;
  }
}
