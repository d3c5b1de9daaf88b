#include "client_connection.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace simconnect {
namespace {

// How long Open waits for the simulator's answer, and a send for room in
// the socket, before the connection counts as failed.
constexpr int kOpenTimeoutMs = 5000;
constexpr int kSendTimeoutMs = 5000;

int connectLocal(const std::string& path) {
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

}  // namespace

HRESULT ClientConnection::open(const Endpoint& endpoint, const std::string& applicationName,
                               platform::WakeEvent* wake,
                               std::unique_ptr<ClientConnection>& out) {
  int fd = endpoint.kind == Endpoint::Kind::LocalSocket ? connectLocal(endpoint.address)
                                                        : connectTcp(endpoint);
  if (fd < 0) return E_FAIL;
  std::unique_ptr<ClientConnection> connection(new ClientConnection(fd, nullptr));
  wire::Open request;
  request.applicationName = applicationName;
  if (FAILED(connection->send(request))) return E_FAIL;
  // The simulator answers OPEN, or an exception when it rejects the client,
  // or closes the connection when it accepts no clients.
  if (!connection->waitForMessage(kOpenTimeoutMs)) return E_FAIL;
  const auto* first = reinterpret_cast<const SIMCONNECT_RECV*>(connection->ready_.front().data());
  if (first->dwID != SIMCONNECT_RECV_ID_OPEN) return E_FAIL;
  if (wake) {
    connection->wake_ = wake;
    wake->watchSocket(connection->fd_);
    connection->signalWhatIsLeft();  // the OPEN answer waits
  }
  out = std::move(connection);
  return S_OK;
}

ClientConnection::~ClientConnection() {
  if (wake_) wake_->watchSocket(-1);
  if (fd_ >= 0) close(fd_);
}

void ClientConnection::markBroken() {
  broken_ = true;
  if (wake_) wake_->watchSocket(-1);
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
}

void ClientConnection::signalWhatIsLeft() {
  if (wake_ && (!ready_.empty() || broken_)) wake_->set();
}

void ClientConnection::receiveAvailable() {
  if (broken_) return;
  uint8_t chunk[16384];
  while (readyBytes_ < kMostUndeliveredBytes) {
    ssize_t n = recv(fd_, chunk, sizeof(chunk), MSG_DONTWAIT);
    if (n > 0) {
      framer_.append({chunk, static_cast<size_t>(n)});
      if (!frameReady()) break;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    markBroken();  // end of stream or a socket error
    break;
  }
}

bool ClientConnection::frameReady() {
  std::vector<uint8_t> packet;
  for (;;) {
    auto status = framer_.next(packet);
    if (status == wire::PacketFramer::Status::NeedMore) break;
    if (status == wire::PacketFramer::Status::Corrupt) {
      markBroken();
      return false;
    }
    const auto* header = reinterpret_cast<const SIMCONNECT_RECV*>(packet.data());
    if (packet.size() < wire::minimumMessageSize(header->dwID)) {
      // A message shorter than its published layout cannot be handed to a
      // reader that trusts the layout: the stream is not to be trusted.
      markBroken();
      return false;
    }
    readyBytes_ += packet.size();
    ready_.push_back(std::move(packet));
  }
  return true;
}

bool ClientConnection::waitForMessage(int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    receiveAvailable();
    if (!ready_.empty()) return true;
    if (broken_) return false;
    int left = remainingMs(deadline);
    if (left == 0) return false;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, left) < 0 && errno != EINTR) return false;
  }
}

HRESULT ClientConnection::send(const wire::Request& request) {
  receiveAvailable();
  if (broken_) {
    signalWhatIsLeft();
    return SIMCONNECT_E_PIPE_BROKEN;
  }
  std::vector<uint8_t> packet = wire::encodeRequest(request, lastSendId_ + 1);
  // The id is spent even when the write fails, as the packet counter is.
  ++lastSendId_;
  size_t written = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSendTimeoutMs);
  while (written < packet.size()) {
    ssize_t n = ::send(fd_, packet.data() + written, packet.size() - written,
                       MSG_NOSIGNAL | MSG_DONTWAIT);
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
    markBroken();
    signalWhatIsLeft();
    return SIMCONNECT_E_PIPE_BROKEN;
  }
  // What arrived while sending waits for the next dispatch.
  signalWhatIsLeft();
  return S_OK;
}

HRESULT ClientConnection::callDispatch(DispatchProc callback, void* context) {
  receiveAvailable();
  if (ready_.empty()) return broken_ ? SIMCONNECT_E_PIPE_BROKEN : S_OK;
  // Messages that arrive while the callback runs wait for the next call.
  std::deque<std::vector<uint8_t>> batch;
  batch.swap(ready_);
  readyBytes_ = 0;
  for (auto& message : batch) {
    if (callback)
      callback(reinterpret_cast<SIMCONNECT_RECV*>(message.data()),
               static_cast<DWORD>(message.size()), context);
  }
  signalWhatIsLeft();
  return S_OK;
}

HRESULT ClientConnection::getNextDispatch(SIMCONNECT_RECV** message, DWORD* size) {
  receiveAvailable();
  if (ready_.empty()) return broken_ ? SIMCONNECT_E_PIPE_BROKEN : E_FAIL;
  handedOut_ = std::move(ready_.front());
  ready_.pop_front();
  readyBytes_ -= handedOut_.size();
  *message = reinterpret_cast<SIMCONNECT_RECV*>(handedOut_.data());
  *size = static_cast<DWORD>(handedOut_.size());
  signalWhatIsLeft();
  return S_OK;
}

}  // namespace simconnect
