#include "connection.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace lab::sim {

Connection::Connection(int fd, uint32_t id) : fd_(fd), id_(id) {}

Connection::~Connection() {
  if (fd_ >= 0) ::close(fd_);
}

void Connection::send(std::span<const uint8_t> bytes) {
  if (state_ != State::Serving && state_ != State::Flushing) return;
  if (peerStoppedReading_) return;
  if (queued() + bytes.size() > kMaxQueuedBytes) {
    breakNow();
    return;
  }
  outbox_.insert(outbox_.end(), bytes.begin(), bytes.end());
  flush();
}

void Connection::flush() {
  while (queued() > 0 && (state_ == State::Serving || state_ == State::Flushing)) {
    ssize_t n = ::send(fd_, outbox_.data() + written_, queued(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      written_ += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (state_ == State::Serving) {
      // The peer is gone, but the requests it sent before it went are
      // still to be read: only the answers go nowhere.
      peerStoppedReading_ = true;
      outbox_.clear();
      written_ = 0;
      return;
    }
    breakNow();  // closing anyway: nothing left to hear
    return;
  }
  if (queued() == 0) {
    outbox_.clear();
    written_ = 0;
  }
}

Connection::ReadResult Connection::read(std::vector<std::vector<uint8_t>>& packets) {
  uint8_t buffer[65536];
  ssize_t n;
  do {
    n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return ReadResult::Ok;
  if (n <= 0) {
    state_ = State::Ended;
    return ReadResult::Ended;
  }
  if (state_ != State::Serving) return ReadResult::Ok;  // closing: drop it
  framer_.append(std::span<const uint8_t>(buffer, static_cast<size_t>(n)));
  std::vector<uint8_t> packet;
  for (;;) {
    switch (framer_.next(packet)) {
      case simconnect::wire::PacketFramer::Status::Packet:
        packets.push_back(std::move(packet));
        continue;
      case simconnect::wire::PacketFramer::Status::NeedMore:
        return ReadResult::Ok;
      case simconnect::wire::PacketFramer::Status::Corrupt:
        return ReadResult::Corrupt;
    }
  }
}

void Connection::closeAfterSending() {
  if (state_ != State::Serving) return;
  state_ = State::Flushing;
  closeDeadline_ = Clock::now() + kCloseTime;
  advance(Clock::now());
}

void Connection::breakNow() {
  if (state_ == State::Ended) return;
  ::shutdown(fd_, SHUT_RDWR);
  state_ = State::Ended;
}

void Connection::advance(Clock::time_point now) {
  if (state_ == State::Flushing && queued() == 0) {
    ::shutdown(fd_, SHUT_WR);
    state_ = State::Lingering;
  }
  if ((state_ == State::Flushing || state_ == State::Lingering) && now >= closeDeadline_)
    breakNow();
}

}  // namespace lab::sim
