#pragma once
// One open handle of an emulated interface: a connection to the interface's
// socket, with the input reports that its reader has not taken yet.
#include <cstdint>
#include <deque>
#include <vector>

namespace lab::boards {

class HandleConnection {
 public:
  enum class Role { Undecided, Reader, Writer };

  HandleConnection(uint64_t id, int fd, int interfaceNumber)
      : id_(id), fd_(fd), interfaceNumber_(interfaceNumber) {}

  uint64_t id() const { return id_; }
  int fd() const { return fd_; }
  int interfaceNumber() const { return interfaceNumber_; }
  Role role() const { return role_; }
  void setRole(Role role) { role_ = role; }
  bool hasBacklog() const { return !backlog_.empty(); }

  // Sends one packet without blocking; what the socket cannot take now waits
  // in the backlog (bounded: a reader that never reads loses the oldest, as
  // a HID input buffer does). False once the peer is gone.
  bool send(std::vector<uint8_t> packet);
  // Sends what waits, as far as the socket takes it. False once the peer is gone.
  bool flush();
  // The peer sees the interface hang up; the descriptor stays for the
  // rack's thread to close.
  void hangUp();

 private:
  const uint64_t id_;
  const int fd_;
  const int interfaceNumber_;
  Role role_ = Role::Undecided;
  std::deque<std::vector<uint8_t>> backlog_;
};

}  // namespace lab::boards
