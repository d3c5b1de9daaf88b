#pragma once
#include <cstdint>

namespace platform {

// An unnamed auto-reset event for the threads of one process: one thread
// waits, any thread sets. The SimConnect client takes it as its event
// handle and keeps it signalled while messages wait to be dispatched, so a
// session can sleep until either the simulator or one of its own threads
// has something for it.
class WakeEvent {
 public:
  WakeEvent();
  ~WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;

  // False when the system gave no event; set() and wait() then do nothing
  // and return at once.
  bool valid() const;
  void set();
  // Waits up to timeoutMs (negative: without limit) until set() was called
  // or a watched socket has something to read. True when woken, false on
  // timeout. A set() is used up by the wait that sees it; a readable socket
  // wakes every wait until it is read.
  bool wait(int timeoutMs);

  // The value SimConnect_Open takes as its event handle.
  void* handle() { return this; }
  static WakeEvent* fromHandle(void* handle) { return static_cast<WakeEvent*>(handle); }

  // While a socket is watched its pending input wakes the waiter as a set()
  // does. One socket at a time; watch(-1) stops watching. The owner of the
  // socket stops watching before it closes it. (Linux; on Windows the
  // SimConnect transport sets the event itself.)
  void watchSocket(intptr_t socket);

 private:
  // The system's event: an eventfd on Linux, an event object on Windows.
  intptr_t event_ = -1;
  intptr_t watchedSocket_ = -1;  // guarded by the owner: set from the waiting thread only
};

}  // namespace platform
