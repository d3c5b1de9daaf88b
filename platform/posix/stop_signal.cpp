#include "platform/stop_signal.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace platform {
namespace {

struct StopWatch {
  std::mutex turn;
  std::function<void()> onStop;
  std::atomic<bool> requested{false};
  bool watching = false;
};

// Never destroyed: the watcher's thread lives until the process ends and
// may run the callback while static objects are being destroyed.
StopWatch& stopWatch() {
  static StopWatch& instance = *new StopWatch;
  return instance;
}

sigset_t stopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

[[noreturn]] void watchLoop(sigset_t signals) {
  StopWatch& watch = stopWatch();
  for (;;) {
    int received = 0;
    if (sigwait(&signals, &received) != 0) continue;
    watch.requested = true;
    std::lock_guard<std::mutex> turn(watch.turn);
    if (watch.onStop) watch.onStop();
  }
}

}  // namespace

void watchStopRequests(std::function<void()> onStop) {
  StopWatch& watch = stopWatch();
  std::lock_guard<std::mutex> turn(watch.turn);
  watch.onStop = std::move(onStop);
  if (watch.watching) return;  // a second call only replaces the callback
  watch.watching = true;
  // Blocked here, the signals stay blocked in every thread made later, so
  // they wait for sigwait instead of ending the program.
  sigset_t signals = stopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread(watchLoop, signals).detach();
}

bool stopRequested() { return stopWatch().requested; }

}  // namespace platform
