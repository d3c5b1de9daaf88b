#pragma once
#include <cstdint>
#include <string>

namespace simconnect {

// Where the client finds the simulator.
struct Endpoint {
  enum class Kind { LocalSocket, Tcp4, Tcp6 };
  Kind kind = Kind::LocalSocket;
  std::string address;  // socket path for LocalSocket, host for TCP
  uint16_t port = 0;
  bool disableNagle = false;
};

// Reads SimConnect.cfg like the published client library: the current folder
// first, then the home folder; section [SimConnect.N] for configuration index
// N ([SimConnect] also serves index 0). Without a file or section the client
// talks to the local simulator: the lab's socket in the runtime folder.
// "Protocol=Pipe" means the local simulator too (Address may name a socket).
Endpoint endpointForConfigIndex(uint32_t configIndex);

std::string defaultLocalSocketPath();

}  // namespace simconnect
