#include "platform/wake_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

namespace platform {

WakeEvent::WakeEvent() : event_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeEvent::~WakeEvent() {
  if (event_ >= 0) ::close(static_cast<int>(event_));
}

bool WakeEvent::valid() const { return event_ >= 0; }

void WakeEvent::set() {
  if (event_ < 0) return;
  uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(static_cast<int>(event_), &one, sizeof one);
}

void WakeEvent::watchSocket(intptr_t socket) { watchedSocket_ = socket; }

bool WakeEvent::wait(int timeoutMs) {
  if (event_ < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    pollfd fds[2] = {{static_cast<int>(event_), POLLIN, 0},
                      {static_cast<int>(watchedSocket_), POLLIN, 0}};
    const nfds_t count = watchedSocket_ >= 0 ? 2 : 1;
    int left = -1;
    if (timeoutMs >= 0) {
      auto remaining = std::chrono::ceil<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      left = remaining.count() > 0 ? static_cast<int>(remaining.count()) : 0;
    }
    const int ready = ::poll(fds, count, left);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    if (fds[0].revents & POLLIN) {
      uint64_t sets = 0;
      [[maybe_unused]] ssize_t n = ::read(static_cast<int>(event_), &sets, sizeof sets);
      return true;
    }
    // Input, a hang-up or an error of the socket: its owner finds out which.
    if (count == 2 && fds[1].revents) return true;
  }
}

}  // namespace platform
