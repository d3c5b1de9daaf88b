#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <platform/runtime_dir.h>
#include <platform/wake_event.h>
#include <poll.h>
#include <simconnect/local_pipe.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "transport.h"

namespace simconnect {
namespace {

// A local pipe is a Unix socket in the runtime folder.
int connectLocalPipe(const std::string& pipeName) {
  const std::string path = platform::runtimeDir() + "/" + pipeSocketFileName(pipeName);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof(addr.sun_path)) return -1;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int connectTcp(const Endpoint& endpoint) {
  addrinfo hints{};
  hints.ai_family = endpoint.kind == Endpoint::Kind::Tcp6 ? AF_INET6 : AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  std::string port = std::to_string(endpoint.port);
  if (endpoint.port == 0 ||
      getaddrinfo(endpoint.address.c_str(), port.c_str(), &hints, &found) != 0)
    return -1;
  int fd = -1;
  for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    if (connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(found);
  if (fd >= 0 && endpoint.disableNagle) {
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
  }
  return fd;
}

int remainingMs(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// The wake event polls the socket itself, beside its own eventfd.
class SocketTransport final : public Transport {
 public:
  explicit SocketTransport(int fd) : fd_(fd) {}
  ~SocketTransport() override {
    if (wake_) wake_->watchSocket(-1);
    close(fd_);
  }

  long receive(uint8_t* buffer, size_t length) override {
    for (;;) {
      ssize_t n = recv(fd_, buffer, length, MSG_DONTWAIT);
      if (n > 0) return static_cast<long>(n);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
      // End of stream or a socket error: the wake event stops watching a
      // socket that would wake it for ever.
      wakeOnInput(nullptr);
      return -1;
    }
  }

  void waitReadable(int timeoutMs) override {
    pollfd p{fd_, POLLIN, 0};
    poll(&p, 1, timeoutMs);
  }

  bool sendAll(const uint8_t* data, size_t length, int timeoutMs) override {
    size_t written = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (written < length) {
      ssize_t n = ::send(fd_, data + written, length - written, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        written += static_cast<size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        int left = remainingMs(deadline);
        pollfd p{fd_, POLLOUT, 0};
        if (left > 0 && poll(&p, 1, left) >= 0) continue;
      }
      return false;
    }
    return true;
  }

  void wakeOnInput(platform::WakeEvent* wake) override {
    if (wake_) wake_->watchSocket(-1);
    wake_ = wake;
    if (wake_) wake_->watchSocket(fd_);
  }

 private:
  int fd_;
  platform::WakeEvent* wake_ = nullptr;
};

}  // namespace

std::unique_ptr<Transport> Transport::connect(const Endpoint& endpoint) {
  int fd = endpoint.kind == Endpoint::Kind::LocalPipe ? connectLocalPipe(endpoint.address)
                                                      : connectTcp(endpoint);
  if (fd < 0) return nullptr;
  return std::make_unique<SocketTransport>(fd);
}

}  // namespace simconnect
