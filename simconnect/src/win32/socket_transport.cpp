#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <memory>
#include <mutex>

#include "win32/reader_transport.h"

namespace simconnect::win32 {
namespace {

bool startWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

SOCKET connectTcp(const Endpoint& endpoint) {
  if (!startWinsock() || endpoint.port == 0) return INVALID_SOCKET;
  addrinfo hints{};
  hints.ai_family = endpoint.kind == Endpoint::Kind::Tcp6 ? AF_INET6 : AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  if (getaddrinfo(endpoint.address.c_str(), std::to_string(endpoint.port).c_str(), &hints, &found) != 0)
    return INVALID_SOCKET;
  SOCKET s = INVALID_SOCKET;
  for (addrinfo* a = found; a && s == INVALID_SOCKET; a = a->ai_next) {
    s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (s == INVALID_SOCKET) continue;
    if (::connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0) {
      closesocket(s);
      s = INVALID_SOCKET;
    }
  }
  freeaddrinfo(found);
  if (s != INVALID_SOCKET && endpoint.disableNagle) {
    BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  }
  return s;
}

class SocketTransport final : public ReaderTransport {
 public:
  explicit SocketTransport(SOCKET s) : socket_(s) { startReading(); }
  ~SocketTransport() override {
    stopReading();
    closesocket(socket_);
  }

  bool sendAll(const uint8_t* data, size_t length, int timeoutMs) override {
    DWORD timeout = static_cast<DWORD>(timeoutMs);
    setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    size_t written = 0;
    while (written < length) {
      int n = ::send(socket_, reinterpret_cast<const char*>(data + written),
                     static_cast<int>(std::min<size_t>(length - written, 1 << 20)), 0);
      if (n <= 0) return false;
      written += static_cast<size_t>(n);
    }
    return true;
  }

 protected:
  long readSome(uint8_t* buffer, size_t length) override {
    int n = recv(socket_, reinterpret_cast<char*>(buffer), static_cast<int>(length), 0);
    return n > 0 ? n : -1;
  }
  // A shut-down socket ends the blocking recv.
  void stopBlockingRead() override { shutdown(socket_, SD_BOTH); }

 private:
  SOCKET socket_;
};

}  // namespace

std::unique_ptr<Transport> connectSocket(const Endpoint& endpoint) {
  SOCKET s = connectTcp(endpoint);
  if (s == INVALID_SOCKET) return nullptr;
  return std::make_unique<SocketTransport>(s);
}

}  // namespace simconnect::win32
