#pragma once
// One accepted client connection: its socket, the packets it sends (split by
// a PacketFramer) and the bytes waiting to be written to it.
//
// Invariants: at most kMaxQueuedBytes wait to be written (a client that stops
// reading is cut off rather than growing the lab without bound); once closing
// has begun nothing read from the peer is handed on.
#include <simconnect/wire.h>

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

namespace lab::sim {

class Connection {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr size_t kMaxQueuedBytes = 8 * 1024 * 1024;
  // How long a closing connection may take to write its queue and then see
  // its peer hang up. Waiting for the peer lets the last bytes reach it
  // instead of being lost to a reset; a peer that never reads is cut off.
  static constexpr std::chrono::seconds kCloseTime{5};

  enum class State {
    Serving,    // reading requests, writing answers
    Flushing,   // writing what is queued, then shutting down the write side
    Lingering,  // write side shut; waiting for the peer's end-of-file
    Ended,      // nothing more to do: the socket can be closed
  };
  enum class ReadResult { Ok, Ended, Corrupt };

  Connection(int fd, uint32_t id);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  int fd() const { return fd_; }
  uint32_t id() const { return id_; }
  State state() const { return state_; }
  bool wantsWrite() const { return queued() > 0 && state_ != State::Ended && !peerStoppedReading_; }
  // The peer closed its end: answers to it are dropped, while what it sent
  // before it closed is still read and handed on, as from a pipe.
  bool peerStoppedReading() const { return peerStoppedReading_; }

  // Adds bytes to the queue and writes what the socket takes now.
  void send(std::span<const uint8_t> bytes);
  // Writes queued bytes as far as the socket takes them without waiting.
  void flush();
  // Reads what is waiting; whole packets are appended to packets while
  // serving, and dropped while closing.
  ReadResult read(std::vector<std::vector<uint8_t>>& packets);

  // Serving -> Flushing: the queue is written, then the connection ends.
  void closeAfterSending();
  // Shuts both directions at once; the peer reads end-of-file.
  void breakNow();
  // Moves a closing connection on when its queue is empty or its time is up.
  void advance(Clock::time_point now);
  // When a closing connection gives up on its peer.
  Clock::time_point closeDeadline() const { return closeDeadline_; }
  bool closing() const { return state_ == State::Flushing || state_ == State::Lingering; }

 private:
  size_t queued() const { return outbox_.size() - written_; }

  int fd_;
  uint32_t id_;
  State state_ = State::Serving;
  simconnect::wire::PacketFramer framer_{simconnect::wire::kClientHeaderSize};
  std::vector<uint8_t> outbox_;
  size_t written_ = 0;
  Clock::time_point closeDeadline_{};
  bool peerStoppedReading_ = false;
};

}  // namespace lab::sim
