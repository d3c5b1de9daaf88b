#pragma once
#include <memory>
#include <string>

namespace platform {

// An event that other processes of the same user find by name. Like the
// mutex it lives while any process holds a handle; a name that nobody holds
// any more is created afresh (not signalled) by the next createOrOpen.
class NamedEvent {
 public:
  enum class WaitResult { Signaled, Timeout, Failed, Ended };

  // Opens the event of that name if it exists, else creates it. Reset mode and
  // initial state only apply when it is created. Null when it cannot be made.
  static std::unique_ptr<NamedEvent> createOrOpen(const std::string& name, bool manualReset,
                                                  bool initiallySignaled,
                                                  bool* alreadyExisted = nullptr);
  // Opens the event only if some process holds it; null otherwise.
  static std::unique_ptr<NamedEvent> openExisting(const std::string& name);

  ~NamedEvent();
  NamedEvent(const NamedEvent&) = delete;
  NamedEvent& operator=(const NamedEvent&) = delete;

  void set();
  void reset();
  // Waits up to timeoutMs (negative: forever). An auto-reset event is reset
  // by the wait that sees it signalled, so only one waiter wakes.
  WaitResult wait(int timeoutMs);
  bool isSignaled() const;
  // Ends every wait on this handle in this process, now and later, with
  // Ended, and returns once none is left; for a thread that waits without
  // limit and must stop. Other handles of the event, here or in other
  // processes, wait on as before.
  void endWaits();

  struct Impl;
  explicit NamedEvent(std::unique_ptr<Impl> impl);

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
