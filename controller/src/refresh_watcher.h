#pragma once
#include <atomic>
#include <memory>
#include <string>

// What a key thread and its refresh watcher share. The watcher may outlive
// nothing: the key thread waits for it before it ends.
struct RefreshRequest {
  std::atomic<bool> requestNeeded{true};  // ask the board for a full key report
  std::atomic<bool> keyThreadEnding{false};
};

// Watches the board's refresh event, which any process may set to get a
// full key report, and turns it into requestNeeded. Ends with the key
// thread: on its ending event, or at the latest 700 ms after
// keyThreadEnding is set.
void RefreshWatcher(std::shared_ptr<RefreshRequest> request, std::string serial);
