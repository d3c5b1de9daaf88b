#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/window_messages.h"
#include "posix/window_files.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for the socket to become ready for events until the deadline.
bool waitReady(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    int ready = poll(&entry, 1, remainingMs(deadline));
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) return false;
  }
}

SendStatus connectTo(int fd, const std::string& address, Clock::time_point deadline) {
  sockaddr_un where{};
  where.sun_family = AF_UNIX;
  if (address.size() >= sizeof where.sun_path) return SendStatus::invalidWindow;
  std::memcpy(where.sun_path, address.c_str(), address.size() + 1);
  if (connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0)
    return SendStatus::ok;
  if (errno == ENOENT || errno == ECONNREFUSED) return SendStatus::invalidWindow;
  if (errno != EAGAIN && errno != EINPROGRESS) return SendStatus::failed;
  // A window whose queue is full is a window that does not answer.
  return waitReady(fd, POLLOUT, deadline) ? SendStatus::ok : SendStatus::timedOut;
}

bool sendAll(int fd, const char* data, size_t size, Clock::time_point deadline) {
  while (size > 0) {
    ssize_t put = send(fd, data, size, MSG_NOSIGNAL);
    if (put > 0) {
      data += put;
      size -= static_cast<size_t>(put);
    } else if (put < 0 && errno == EAGAIN) {
      if (!waitReady(fd, POLLOUT, deadline)) return false;
    } else if (!(put < 0 && errno == EINTR)) {
      return false;
    }
  }
  return true;
}

SendResult exchange(int fd, const WindowHandle& window, uint32_t message, uintptr_t wParam,
                    intptr_t lParam, Clock::time_point deadline) {
  SendResult outcome;
  outcome.status = connectTo(fd, window.address, deadline);
  if (!outcome.ok()) return outcome;

  std::string text = wParam <= 0xFFFF ? atomText(static_cast<uint16_t>(wParam)) : std::string();
  posix::WindowFrameHeader header{message, static_cast<uint32_t>(text.size()), wParam, lParam};
  std::string frame(reinterpret_cast<const char*>(&header), sizeof header);
  frame += text;
  if (!sendAll(fd, frame.data(), frame.size(), deadline)) {
    outcome.status = remainingMs(deadline) == 0 ? SendStatus::timedOut : SendStatus::failed;
    return outcome;
  }

  int64_t answer = 0;
  size_t got = 0;
  while (got < sizeof answer) {
    if (!waitReady(fd, POLLIN, deadline)) {
      outcome.status = SendStatus::timedOut;
      return outcome;
    }
    ssize_t part = recv(fd, reinterpret_cast<char*>(&answer) + got, sizeof answer - got, 0);
    if (part == 0 || (part < 0 && errno != EINTR && errno != EAGAIN)) {
      outcome.status = SendStatus::failed;  // the window went away mid-message
      return outcome;
    }
    if (part > 0) got += static_cast<size_t>(part);
  }
  outcome.status = SendStatus::ok;
  outcome.result = static_cast<intptr_t>(answer);
  return outcome;
}

}  // namespace

SendResult sendMessage(const WindowHandle& window, uint32_t message, uintptr_t wParam,
                       intptr_t lParam, int timeoutMs) {
  SendResult outcome;
  if (!window) {
    outcome.status = SendStatus::invalidWindow;
    return outcome;
  }
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return outcome;
  outcome = exchange(fd, window, message, wParam, lParam, deadline);
  close(fd);
  return outcome;
}

}  // namespace platform
