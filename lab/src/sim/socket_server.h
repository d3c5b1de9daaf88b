#pragma once
// The socket side of the simulator: listening sockets, accepted connections
// and the poll() loop's two halves. It knows nothing of SimConnect beyond
// packet framing; whole packets go to a ConnectionHandler.
//
// Not locked itself: the simulator calls every method under its one mutex,
// except wake(), and runs poll() between preparePoll() and handlePoll()
// without it. Only the server thread closes sockets, so a descriptor polled
// without the lock is never reused under it.
#include "connection.h"
#include "message_sink.h"

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <vector>

namespace lab::sim {

class SocketServer : public MessageSink {
 public:
  SocketServer();
  ~SocketServer() override;
  SocketServer(const SocketServer&) = delete;
  SocketServer& operator=(const SocketServer&) = delete;

  void setHandler(ConnectionHandler* handler) { handler_ = handler; }

  // Starts listening on the Unix socket and, with a tcpPort, on TCP (port 0:
  // one the system chooses).
  bool listen(const std::string& unixPath, std::optional<uint16_t> tcpPort, std::string& error);
  uint16_t tcpPort() const;  // 0 when not listening on TCP
  // Ends every connection at once and stops listening.
  void shutDown();

  // Fills fds with what to wait for; the timeout is -1 (none) or the time
  // until a closing connection gives up on its peer.
  void preparePoll(std::vector<pollfd>& fds, int& timeoutMs);
  // Acts on what poll() reported for the fds of the last preparePoll().
  void handlePoll(const std::vector<pollfd>& fds);
  // Ends a poll() in progress, so that the loop sees new work. Thread-safe.
  void wake();

  // While refusing, an accepted connection is closed at once, unanswered.
  void setRefusing(bool refusing) { refusing_ = refusing; }
  bool refusing() const { return refusing_; }

  // Ends every connection at once (the peers read end-of-file).
  void breakAll();

  // MessageSink
  void send(uint32_t connectionId, std::vector<uint8_t> bytes) override;
  void closeAfterSending(uint32_t connectionId) override;

 private:
  void acceptWaiting(int listenFd);
  void serve(Connection& connection, short revents);
  void removeEnded();

  ConnectionHandler* handler_ = nullptr;
  int unixFd_ = -1;
  int tcpFd_ = -1;
  int wakeFd_ = -1;
  std::string unixPath_;
  unsigned long unixFileId_ = 0;  // inode of our socket file, so we only remove our own
  bool refusing_ = false;
  uint32_t nextId_ = 1;
  std::map<uint32_t, std::unique_ptr<Connection>> connections_;
  std::vector<uint32_t> polledIds_;  // connection of each fd after the fixed ones
};

}  // namespace lab::sim
