#pragma once
#include <platform/wake_event.h>

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>

// Work that other threads hand to the session thread. The session thread
// owns the device set and the SimConnect handle; key threads and the change
// detector post what they want done and return at once.
class SessionWorkQueue {
 public:
  using Work = std::function<void()>;

  void post(Work work);
  // Returns as soon as work is waiting or something else set the wake event
  // (the SimConnect connection has messages, the quit event was set), or
  // after the timeout; without one it waits as long as it takes.
  void waitForWork(std::chrono::milliseconds timeout);
  void waitForWork();
  // Runs the work that is waiting now, in the order it was posted. Work
  // posted meanwhile waits for the next call.
  void runPending();
  // Drops waiting work (a teardown makes it meaningless).
  void clear();

  // The event the waits sleep on; the session gives it to the SimConnect
  // client and to whatever else should wake it, so one wait covers all.
  platform::WakeEvent& wakeEvent() { return wake_; }

 private:
  std::mutex mutex_;
  std::deque<Work> pending_;
  platform::WakeEvent wake_;
};
