#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "client_config.h"

namespace platform {
class WakeEvent;
}

namespace simconnect {

// The byte stream between the client and the simulator: a socket or a
// local pipe, one backend per system (posix/, win32/). No SimConnect
// declarations here, so a backend may include its system's headers.
class Transport {
 public:
  // Null when nothing listens at the endpoint.
  static std::unique_ptr<Transport> connect(const Endpoint& endpoint);
  virtual ~Transport() = default;

  // Takes what has arrived, without waiting: the count of bytes taken, 0
  // when nothing waits, negative when the stream ended or failed.
  virtual long receive(uint8_t* buffer, size_t length) = 0;
  // Waits up to timeoutMs until receive has something to say.
  virtual void waitReadable(int timeoutMs) = 0;
  // Sends all bytes within timeoutMs; false when the stream failed.
  virtual bool sendAll(const uint8_t* data, size_t length, int timeoutMs) = 0;
  // From now on input that arrives (or the end of the stream) sets wake;
  // null stops that. Called on the thread that waits on wake.
  virtual void wakeOnInput(platform::WakeEvent* wake) = 0;
};

}  // namespace simconnect
