#pragma once
// Waiting on a HID handle's socket for at most a time, cancellable from
// another thread.
#include <chrono>
#include <mutex>
#include <optional>

namespace platform::posix {

// Ends the wait of one thread on request of another. A cancel while no one
// waits is forgotten, as CancelIoEx finds nothing to cancel then.
class CancelSignal {
 public:
  CancelSignal();
  ~CancelSignal();
  CancelSignal(const CancelSignal&) = delete;
  CancelSignal& operator=(const CancelSignal&) = delete;

  bool valid() const { return fd_ >= 0; }
  void cancel();

  // Marks the span of one wait; wait() only honours cancels made inside it.
  class Span {
   public:
    explicit Span(CancelSignal& signal);
    ~Span();

   private:
    CancelSignal& signal_;
  };

 private:
  friend class SocketWait;
  void drain();
  int fd_ = -1;
  std::mutex mutex_;
  bool waiting_ = false;
};

// A point in time to wait until; none: without limit.
class Deadline {
 public:
  explicit Deadline(int timeoutMs);
  // Milliseconds left for poll(): -1 without limit, 0 once passed.
  int remainingMs() const;

 private:
  std::optional<std::chrono::steady_clock::time_point> at_;
};

enum class WaitOutcome { Ready, HungUp, Timeout, Cancelled, Failed };

class SocketWait {
 public:
  // Waits until fd has one of events or was hung up, the signal fires or
  // the deadline passes. Ready wins over HungUp when events are there too
  // and preferReady is set (an answer queued before the peer left).
  static WaitOutcome wait(int fd, short events, CancelSignal& signal, const Deadline& deadline,
                          bool preferReady);
};

}  // namespace platform::posix
