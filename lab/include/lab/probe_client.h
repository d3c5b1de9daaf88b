#pragma once
// A bare SimConnect client that speaks raw wire packets: it sends exactly the
// requests (or bytes) it is given and hands back each message as it comes.
// Tests use it to drive the simulator, and to misbehave in ways a real
// client library never would.
#include <SimConnect.h>
#include <simconnect/wire.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lab {

class ProbeClient {
 public:
  struct Message {
    std::vector<uint8_t> bytes;

    uint32_t id() const { return as<SIMCONNECT_RECV>().dwID; }
    // The message as one of the SIMCONNECT_RECV_* structures; fields past
    // the end of a short message read as zero.
    template <class Recv>
    Recv as() const {
      Recv recv{};
      std::memcpy(&recv, bytes.data(), std::min(sizeof recv, bytes.size()));
      return recv;
    }
  };

  ProbeClient() = default;
  ~ProbeClient();
  ProbeClient(const ProbeClient&) = delete;
  ProbeClient& operator=(const ProbeClient&) = delete;

  bool connectUnix(const std::string& socketPath);
  bool connectTcp(uint16_t port);  // on 127.0.0.1
  void close();

  // Sends one request with the next send id (the first is 1) and returns
  // that id; 0 when the connection is gone.
  uint32_t send(const simconnect::wire::Request& request,
                uint32_t protocol = simconnect::wire::kProtocolVersion);
  bool sendBytes(std::span<const uint8_t> bytes);
  uint32_t lastSendId() const { return sendId_; }

  // Sends Open with that name and reads the answer: true for OPEN.
  bool open(const std::string& name, std::chrono::milliseconds timeout = kPatience);

  // The next message; nothing on timeout or when the connection has ended
  // (then ended() is true).
  std::optional<Message> read(std::chrono::milliseconds timeout = kPatience);
  // Reads on until a message of that SIMCONNECT_RECV_ID arrives, dropping
  // the others.
  std::optional<Message> readUntil(uint32_t recvId,
                                   std::chrono::milliseconds timeout = kPatience);
  // The server closed the connection (end-of-file or reset).
  bool ended() const { return ended_; }
  // The server sent bytes that are no message stream.
  bool corrupt() const { return corrupt_; }

  // Long enough for a loaded machine; only reached when something is wrong.
  static constexpr std::chrono::milliseconds kPatience{10000};

 private:
  int fd_ = -1;
  uint32_t sendId_ = 0;
  bool ended_ = false;
  bool corrupt_ = false;
  simconnect::wire::PacketFramer framer_{simconnect::wire::kServerHeaderSize};
};

}  // namespace lab
