// The client side of the control socket: one request, one reply.
#include "lab/control_protocol.h"
#include "net/sockets.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

namespace lab::control {
namespace {

// Commands answer at once; this only ends a wait on a lab that hangs.
constexpr int kReplyTimeoutSeconds = 30;

bool writeAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::optional<Reply> sendRequest(const std::string& socketPath,
                                 const std::vector<std::string>& words) {
  int fd = net::connectToUnixSocket(socketPath);
  if (fd < 0) return std::nullopt;
  timeval timeout{kReplyTimeoutSeconds, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  std::string received;
  if (writeAll(fd, encodeRequest(words))) {
    char buffer[4096];
    for (;;) {
      ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      received.append(buffer, static_cast<size_t>(n));
    }
  }
  ::close(fd);
  if (auto reply = decodeReply(received)) return reply;
  return Reply{kNotRunning, "kestrix-lab: the lab at " + socketPath + " did not answer\n"};
}

bool labIsRunning(const std::string& socketPath) {
  int fd = net::connectToUnixSocket(socketPath);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace lab::control
