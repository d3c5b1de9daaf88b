#include "socket_server.h"

#include "net/sockets.h"

#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace lab::sim {
namespace {

// Slots of the fds that come before the connections.
constexpr size_t kWakeSlot = 0;
constexpr size_t kUnixSlot = 1;
constexpr size_t kTcpSlot = 2;
constexpr size_t kFirstConnectionSlot = 3;

unsigned long fileIdOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return 0;
  return static_cast<unsigned long>(info.st_ino);
}

}  // namespace

SocketServer::SocketServer() : wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

SocketServer::~SocketServer() {
  handler_ = nullptr;  // the handler may be gone already
  shutDown();
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

bool SocketServer::listen(const std::string& unixPath, std::optional<uint16_t> tcpPort,
                          std::string& error) {
  if (wakeFd_ < 0) {
    error = "eventfd failed";
    return false;
  }
  unixFd_ = net::listenOnUnixSocket(unixPath, error);
  if (unixFd_ < 0) return false;
  unixPath_ = unixPath;
  unixFileId_ = fileIdOf(unixPath);
  if (tcpPort) {
    tcpFd_ = net::listenOnLoopbackPort(*tcpPort, error);
    if (tcpFd_ < 0) {
      shutDown();
      return false;
    }
  }
  return true;
}

uint16_t SocketServer::tcpPort() const { return tcpFd_ >= 0 ? net::localPort(tcpFd_) : 0; }

void SocketServer::shutDown() {
  breakAll();
  removeEnded();
  if (tcpFd_ >= 0) ::close(tcpFd_);
  tcpFd_ = -1;
  if (unixFd_ >= 0) {
    ::close(unixFd_);
    if (unixFileId_ != 0 && fileIdOf(unixPath_) == unixFileId_) ::unlink(unixPath_.c_str());
  }
  unixFd_ = -1;
}

void SocketServer::preparePoll(std::vector<pollfd>& fds, int& timeoutMs) {
  fds.assign(kFirstConnectionSlot, pollfd{-1, 0, 0});
  fds[kWakeSlot] = {wakeFd_, POLLIN, 0};
  fds[kUnixSlot] = {unixFd_, POLLIN, 0};
  fds[kTcpSlot] = {tcpFd_, POLLIN, 0};
  polledIds_.clear();
  timeoutMs = -1;
  auto now = Connection::Clock::now();
  for (const auto& [id, connection] : connections_) {
    short events = 0;
    switch (connection->state()) {
      case Connection::State::Serving:
        events = static_cast<short>(POLLIN | (connection->wantsWrite() ? POLLOUT : 0));
        break;
      case Connection::State::Flushing:
        events = POLLIN | POLLOUT;
        break;
      case Connection::State::Lingering:
        events = POLLIN;
        break;
      case Connection::State::Ended:
        timeoutMs = 0;  // to be removed at once
        break;
    }
    if (connection->closing()) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(connection->closeDeadline() - now);
      int ms = static_cast<int>(std::max<int64_t>(0, left.count()));
      timeoutMs = timeoutMs < 0 ? ms : std::min(timeoutMs, ms);
    }
    fds.push_back({connection->fd(), events, 0});
    polledIds_.push_back(id);
  }
}

void SocketServer::handlePoll(const std::vector<pollfd>& fds) {
  if (fds[kWakeSlot].revents != 0) {
    uint64_t count;
    while (::read(wakeFd_, &count, sizeof count) > 0) {
    }
  }
  if (fds[kUnixSlot].revents & POLLIN) acceptWaiting(unixFd_);
  if (fds[kTcpSlot].revents & POLLIN) acceptWaiting(tcpFd_);
  for (size_t i = 0; i < polledIds_.size() && kFirstConnectionSlot + i < fds.size(); ++i) {
    auto found = connections_.find(polledIds_[i]);
    short revents = fds[kFirstConnectionSlot + i].revents;
    if (found != connections_.end() && revents != 0) serve(*found->second, revents);
  }
  auto now = Connection::Clock::now();
  for (auto& [id, connection] : connections_) connection->advance(now);
  removeEnded();
}

void SocketServer::wake() {
  uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void SocketServer::breakAll() {
  for (auto& [id, connection] : connections_) connection->breakNow();
}

void SocketServer::send(uint32_t connectionId, std::vector<uint8_t> bytes) {
  auto found = connections_.find(connectionId);
  if (found != connections_.end()) found->second->send(bytes);
}

void SocketServer::closeAfterSending(uint32_t connectionId) {
  auto found = connections_.find(connectionId);
  if (found != connections_.end()) found->second->closeAfterSending();
}

void SocketServer::acceptWaiting(int listenFd) {
  for (int fd; (fd = net::acceptConnection(listenFd)) >= 0;) {
    if (refusing_) {
      ::close(fd);  // the client's Open sees the connection end unanswered
      continue;
    }
    uint32_t id = nextId_++;
    connections_.emplace(id, std::make_unique<Connection>(fd, id));
    if (handler_) handler_->connectionOpened(id);
  }
}

void SocketServer::serve(Connection& connection, short revents) {
  if (revents & POLLOUT) connection.flush();
  if (!(revents & (POLLIN | POLLHUP | POLLERR))) return;
  std::vector<std::vector<uint8_t>> packets;
  auto result = connection.read(packets);
  for (const auto& packet : packets) {
    if (connection.state() != Connection::State::Serving) break;
    if (handler_) handler_->packetReceived(connection.id(), packet);
  }
  if (result == Connection::ReadResult::Corrupt) connection.breakNow();
}

void SocketServer::removeEnded() {
  for (auto it = connections_.begin(); it != connections_.end();) {
    if (it->second->state() != Connection::State::Ended) {
      ++it;
      continue;
    }
    uint32_t id = it->first;
    it = connections_.erase(it);  // closes the socket
    if (handler_) handler_->connectionEnded(id);
  }
}

}  // namespace lab::sim
