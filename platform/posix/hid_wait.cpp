#include "posix/hid_wait.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace platform::posix {

CancelSignal::CancelSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CancelSignal::~CancelSignal() {
  if (fd_ >= 0) ::close(fd_);
}

void CancelSignal::cancel() {
  std::lock_guard lock(mutex_);
  if (!waiting_) return;
  uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(fd_, &one, sizeof one);
}

void CancelSignal::drain() {
  uint64_t count = 0;
  [[maybe_unused]] ssize_t n = ::read(fd_, &count, sizeof count);
}

CancelSignal::Span::Span(CancelSignal& signal) : signal_(signal) {
  std::lock_guard lock(signal_.mutex_);
  signal_.drain();
  signal_.waiting_ = true;
}

CancelSignal::Span::~Span() {
  std::lock_guard lock(signal_.mutex_);
  signal_.waiting_ = false;
  signal_.drain();
}

Deadline::Deadline(int timeoutMs) {
  if (timeoutMs >= 0) at_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
}

int Deadline::remainingMs() const {
  if (!at_) return -1;
  auto left = std::chrono::ceil<std::chrono::milliseconds>(*at_ - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

WaitOutcome SocketWait::wait(int fd, short events, CancelSignal& signal, const Deadline& deadline,
                             bool preferReady) {
  for (;;) {
    pollfd fds[2] = {{fd, events, 0}, {signal.fd_, POLLIN, 0}};
    int ready = ::poll(fds, 2, deadline.remainingMs());
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return WaitOutcome::Failed;
    bool hungUp = fds[0].revents & (POLLHUP | POLLERR | POLLNVAL);
    bool hasEvents = fds[0].revents & events;
    if (hasEvents && (preferReady || !hungUp)) return WaitOutcome::Ready;
    if (hungUp) return WaitOutcome::HungUp;
    if (fds[1].revents & POLLIN) return WaitOutcome::Cancelled;
    if (ready == 0) return WaitOutcome::Timeout;
  }
}

}  // namespace platform::posix
