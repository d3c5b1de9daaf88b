#pragma once
#include <platform/named_event.h>
#include <platform/wake_event.h>

#include <memory>
#include <thread>

// Wakes the session once the named quit event is set (by the simulator's
// quit, the operator's stop or another program), so the session sleeps
// until something happens instead of looking at the event on a clock.
// Lives for one connection; its thread sleeps on the event until then.
class QuitRelay {
 public:
  QuitRelay(const char* eventName, platform::WakeEvent& wake);
  ~QuitRelay();
  QuitRelay(const QuitRelay&) = delete;
  QuitRelay& operator=(const QuitRelay&) = delete;

 private:
  std::unique_ptr<platform::NamedEvent> event_;
  std::thread thread_;
};
