#include "client_connection.h"

#include <chrono>
#include <cstring>

namespace simconnect {
namespace {

// How long Open waits for the simulator's answer, and a send for room in
// the socket, before the connection counts as failed.
constexpr int kOpenTimeoutMs = 5000;
constexpr int kSendTimeoutMs = 5000;

int remainingMs(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

HRESULT ClientConnection::open(const Endpoint& endpoint, const std::string& applicationName,
                               platform::WakeEvent* wake,
                               std::unique_ptr<ClientConnection>& out) {
  std::unique_ptr<Transport> transport = Transport::connect(endpoint);
  if (!transport) return E_FAIL;
  std::unique_ptr<ClientConnection> connection(new ClientConnection(std::move(transport)));
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
    // The stream may have ended right after the OPEN; then there is no
    // transport left to watch, only the break to tell.
    if (connection->transport_) connection->transport_->wakeOnInput(wake);
    connection->signalWhatIsLeft();  // the OPEN answer waits
  }
  out = std::move(connection);
  return S_OK;
}

ClientConnection::~ClientConnection() = default;

void ClientConnection::markBroken() {
  broken_ = true;
  transport_.reset();
}

void ClientConnection::signalWhatIsLeft() {
  if (wake_ && (!ready_.empty() || broken_)) wake_->set();
}

void ClientConnection::receiveAvailable() {
  if (broken_) return;
  uint8_t chunk[16384];
  while (readyBytes_ < kMostUndeliveredBytes) {
    long n = transport_->receive(chunk, sizeof(chunk));
    if (n > 0) {
      framer_.append({chunk, static_cast<size_t>(n)});
      if (!frameReady()) break;
      continue;
    }
    if (n == 0) break;
    markBroken();  // end of stream or a failure
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
    transport_->waitReadable(left);
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
  if (!transport_->sendAll(packet.data(), packet.size(), kSendTimeoutMs)) {
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
