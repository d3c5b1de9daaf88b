#pragma once
#include <platform/named_event.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

// What a key thread and its refresh watcher share. The watcher may outlive
// nothing: the key thread waits for it before it ends.
struct RefreshRequest {
  std::atomic<bool> requestNeeded{true};  // ask the board for a full key report
  // The board's refresh event, opened by the key thread, which ends the
  // watcher's wait on it (endWaits) when it ends itself.
  std::shared_ptr<platform::NamedEvent> event;
  // Wakes the key thread to make the request.
  std::function<void()> wakeKeyThread;
};

// Watches the board's refresh event, which any process may set to get a
// full key report, turns it into requestNeeded and wakes the key thread.
// Sleeps on the event until it is set or the key thread ends the wait.
void RefreshWatcher(std::shared_ptr<RefreshRequest> request, std::string serial);
