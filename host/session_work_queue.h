#pragma once
#include <chrono>
#include <condition_variable>
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
  // Returns as soon as work is waiting, or after the timeout.
  void waitForWork(std::chrono::milliseconds timeout);
  // Runs the work that is waiting now, in the order it was posted. Work
  // posted meanwhile waits for the next call.
  void runPending();
  // Drops waiting work (a teardown makes it meaningless).
  void clear();

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<Work> pending_;
};
