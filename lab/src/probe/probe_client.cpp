#include "lab/probe_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>

namespace lab {

namespace wire = simconnect::wire;

ProbeClient::~ProbeClient() { close(); }

bool ProbeClient::connectUnix(const std::string& socketPath) {
  close();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
    return true;
  close();
  return false;
}

bool ProbeClient::connectTcp(uint16_t port) {
  close();
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
    return true;
  close();
  return false;
}

void ProbeClient::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  sendId_ = 0;
  ended_ = false;
  corrupt_ = false;
  framer_ = wire::PacketFramer(wire::kServerHeaderSize);
}

uint32_t ProbeClient::send(const wire::Request& request, uint32_t protocol) {
  uint32_t id = ++sendId_;
  return sendBytes(wire::encodeRequest(request, id, protocol)) ? id : 0;
}

bool ProbeClient::sendBytes(std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (fd_ >= 0 && done < bytes.size()) {
    ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return fd_ >= 0;
}

bool ProbeClient::open(const std::string& name, std::chrono::milliseconds timeout) {
  wire::Open request;
  request.applicationName = name;
  if (send(request) == 0) return false;
  auto answer = read(timeout);
  return answer && answer->id() == SIMCONNECT_RECV_ID_OPEN;
}

std::optional<ProbeClient::Message> ProbeClient::read(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  Message message;
  for (;;) {
    switch (framer_.next(message.bytes)) {
      case wire::PacketFramer::Status::Packet:
        return message;
      case wire::PacketFramer::Status::Corrupt:
        corrupt_ = true;
        return std::nullopt;
      case wire::PacketFramer::Status::NeedMore:
        break;
    }
    if (fd_ < 0 || ended_) return std::nullopt;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline -
                                                             std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd wait{fd_, POLLIN, 0};
    int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    uint8_t buffer[65536];
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ended_ = true;
      continue;  // whole messages read before the end still come out
    }
    framer_.append(std::span<const uint8_t>(buffer, static_cast<size_t>(n)));
  }
}

std::optional<ProbeClient::Message> ProbeClient::readUntil(uint32_t recvId,
                                                           std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    auto message = read(std::max(left, std::chrono::milliseconds(0)));
    if (!message || message->id() == recvId) return message;
  }
}

}  // namespace lab
