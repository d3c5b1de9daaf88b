#pragma once
#include <cstdint>
#include <string>

namespace simconnect {

// Where the client finds the simulator.
struct Endpoint {
  enum class Kind { LocalPipe, Tcp4, Tcp6 };
  Kind kind = Kind::LocalPipe;
  std::string address;  // the pipe's name for LocalPipe, the host for TCP
  uint16_t port = 0;
  bool disableNagle = false;
};

// Reads SimConnect.cfg like the published client library: beside the
// program first, then in the current folder, then in the home folder;
// section [SimConnect.N] for configuration index N ([SimConnect] also serves
// index 0). In a section, "Protocol" is IPv4 (also when the key is missing),
// IPv6 or Pipe; for IPv4 and IPv6 "Address" and "Port" name the simulator,
// for Pipe "Port" names the pipe (the simulator's default pipe when empty).
// Without a file or section the client talks to the local simulator's
// default pipe.
Endpoint endpointForConfigIndex(uint32_t configIndex);

}  // namespace simconnect
