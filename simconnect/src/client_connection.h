#pragma once
#include <SimConnect.h>
#include <platform/wake_event.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "client_config.h"
#include "simconnect/wire.h"
#include "transport.h"

namespace simconnect {

// One open connection to the simulator. Used from one thread at a time, like
// a handle of the published library.
//
// Once the connection breaks (end of stream, a socket error, a corrupt or
// truncated packet) every call fails with SIMCONNECT_E_PIPE_BROKEN; messages
// that arrived whole before the break are still dispatched first.
//
// Messages that arrived but were not yet dispatched are held up to
// kMostUndeliveredBytes; beyond that the client reads no more until the
// program dispatches, so a simulator that floods it waits on the connection
// instead of the client growing without limit.
class ClientConnection {
 public:
  // wake, when given, is kept signalled while messages wait to be
  // dispatched or the connection broke, as the event handle of the
  // published library is.
  static HRESULT open(const Endpoint& endpoint, const std::string& applicationName,
                      platform::WakeEvent* wake, std::unique_ptr<ClientConnection>& out);
  ~ClientConnection();
  ClientConnection(const ClientConnection&) = delete;
  ClientConnection& operator=(const ClientConnection&) = delete;

  static constexpr size_t kMostUndeliveredBytes = 1 << 20;

  HRESULT send(const wire::Request& request);
  HRESULT callDispatch(DispatchProc callback, void* context);
  HRESULT getNextDispatch(SIMCONNECT_RECV** message, DWORD* size);
  DWORD lastSentPacketId() const { return lastSendId_; }

 private:
  explicit ClientConnection(std::unique_ptr<Transport> transport)
      : transport_(std::move(transport)), framer_(wire::kServerHeaderSize) {}
  // Reads whatever has arrived without waiting, up to the undelivered
  // bound; notes a broken connection.
  void receiveAvailable();
  // Moves the whole messages the framer holds to ready_; false when the
  // stream turned out corrupt (the connection is marked broken).
  bool frameReady();
  // Waits up to timeoutMs for one whole message to arrive.
  bool waitForMessage(int timeoutMs);
  void markBroken();
  // Wakes the program's wait when something is left for it to take.
  void signalWhatIsLeft();

  std::unique_ptr<Transport> transport_;  // gone once the connection broke
  platform::WakeEvent* wake_ = nullptr;
  wire::PacketFramer framer_;
  std::deque<std::vector<uint8_t>> ready_;
  size_t readyBytes_ = 0;  // of the messages in ready_
  std::vector<uint8_t> handedOut_;  // the message GetNextDispatch returned last
  uint32_t lastSendId_ = 0;
  bool broken_ = false;
};

}  // namespace simconnect
