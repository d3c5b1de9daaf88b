#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <platform/window_messages.h>

namespace lab {

// The cooperating program's window that the transponder panel tells of its
// IDENT key and mode selector: class "TCP_CLIENT", an empty title. It
// records the atom text of every "SWITCH" message it receives, in order;
// other messages are answered with 0 and not recorded.
class PeerWindow {
 public:
  PeerWindow() = default;
  ~PeerWindow() { close(); }
  PeerWindow(const PeerWindow&) = delete;
  PeerWindow& operator=(const PeerWindow&) = delete;

  // Opens the window; false when it cannot be made (or is open already).
  bool open();
  void close();
  bool isOpen() const;

  // Every notice so far ("XPNDR_IDENT=1", "TCAS_MODE_SWITCH=4", ...).
  std::vector<std::string> notices() const;
  void clearNotices();

  // Waits until the notices satisfy the condition or the timeout passes;
  // true when they did.
  bool waitUntil(const std::function<bool(const std::vector<std::string>&)>& condition,
                 std::chrono::milliseconds timeout) const;

 private:
  intptr_t receive(const platform::WindowMessage& message);

  platform::OwnedWindow window_;
  uint32_t switchMessage_ = 0;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::string> notices_;
};

}  // namespace lab
