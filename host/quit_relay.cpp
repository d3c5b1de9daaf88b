#include "quit_relay.h"

#include <platform/system_facts.h>

QuitRelay::QuitRelay(const char* eventName, platform::WakeEvent& wake)
    : event_(platform::NamedEvent::createOrOpen(eventName, /*manualReset=*/true,
                                                /*initiallySignaled=*/false)) {
  if (!event_) return;
  thread_ = std::thread([this, &wake] {
    platform::nameThisThread("quit relay");
    if (event_->wait(-1) == platform::NamedEvent::WaitResult::Signaled) wake.set();
  });
}

QuitRelay::~QuitRelay() {
  if (!thread_.joinable()) return;
  event_->endWaits();
  thread_.join();
}
