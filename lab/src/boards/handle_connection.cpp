#include "boards/handle_connection.h"

#include <sys/socket.h>

#include <cerrno>

namespace lab::boards {
namespace {

constexpr size_t kMaxBacklog = 4096;

}  // namespace

bool HandleConnection::send(std::vector<uint8_t> packet) {
  if (backlog_.size() >= kMaxBacklog) backlog_.pop_front();
  backlog_.push_back(std::move(packet));
  return flush();
}

bool HandleConnection::flush() {
  while (!backlog_.empty()) {
    const std::vector<uint8_t>& packet = backlog_.front();
    ssize_t sent = ::send(fd_, packet.data(), packet.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    if (sent < 0) return false;
    backlog_.pop_front();
  }
  return true;
}

void HandleConnection::hangUp() { ::shutdown(fd_, SHUT_RDWR); }

}  // namespace lab::boards
