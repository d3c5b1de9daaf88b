#include "sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lab::net {
namespace {

constexpr int kBacklog = 64;

std::string describe(const std::string& what) { return what + ": " + std::strerror(errno); }

int failWith(int fd, std::string& error, const std::string& what) {
  error = describe(what);
  if (fd >= 0) ::close(fd);
  return -1;
}

}  // namespace

int listenOnUnixSocket(const std::string& path, std::string& error) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    error = "socket path is empty or too long: " + path;
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return failWith(fd, error, "socket");
  ::unlink(path.c_str());  // a socket file left by a lab that ended without tidying up
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    return failWith(fd, error, "bind " + path);
  if (::listen(fd, kBacklog) != 0) return failWith(fd, error, "listen " + path);
  return fd;
}

int listenOnLoopbackPort(uint16_t port, std::string& error) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return failWith(fd, error, "socket");
  int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    return failWith(fd, error, "bind 127.0.0.1:" + std::to_string(port));
  if (::listen(fd, kBacklog) != 0) return failWith(fd, error, "listen");
  return fd;
}

uint16_t localPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

int acceptConnection(int listenFd) {
  for (;;) {
    int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
      // Small answers should leave at once; fails harmlessly on Unix sockets.
      int yes = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    }
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

int connectToUnixSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
  ::close(fd);
  return -1;
}

}  // namespace lab::net
