#pragma once
// How the simulator's logic talks back to its clients without knowing about
// sockets: it names a connection by the lab's number for it.
#include <cstdint>
#include <vector>

namespace lab::sim {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Queues bytes for the connection; dropped when it has ended.
  virtual void send(uint32_t connectionId, std::vector<uint8_t> bytes) = 0;
  // Writes what is queued, then ends the connection: the peer reads all of
  // it, then end-of-file. Nothing is read from the connection any more.
  virtual void closeAfterSending(uint32_t connectionId) = 0;
};

// What the socket side tells the simulator's logic about a connection.
class ConnectionHandler {
 public:
  virtual ~ConnectionHandler() = default;
  virtual void connectionOpened(uint32_t connectionId) = 0;
  virtual void packetReceived(uint32_t connectionId, const std::vector<uint8_t>& packet) = 0;
  // The peer closed it, its stream was corrupt, or the lab closed it.
  virtual void connectionEnded(uint32_t connectionId) = 0;
};

}  // namespace lab::sim
