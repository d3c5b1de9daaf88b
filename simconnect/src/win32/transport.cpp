#include "transport.h"

#include <string>

namespace simconnect {
namespace win32 {
std::unique_ptr<Transport> connectSocket(const Endpoint& endpoint);
std::unique_ptr<Transport> connectPipe(const std::string& pipeName);
}  // namespace win32

// The simulator's named pipe, or TCP over IPv4 or IPv6.
std::unique_ptr<Transport> Transport::connect(const Endpoint& endpoint) {
  return endpoint.kind == Endpoint::Kind::LocalPipe ? win32::connectPipe(endpoint.address)
                                                    : win32::connectSocket(endpoint);
}

}  // namespace simconnect
