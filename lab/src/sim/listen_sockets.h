#pragma once
// Listening sockets of the simulator: a Unix socket in the runtime folder and
// an optional TCP port on the loopback address.
#include <cstdint>
#include <string>

namespace lab::sim {

// Listens at path, replacing a stale socket file left there. -1 on failure,
// with the reason in error.
int listenOnUnixSocket(const std::string& path, std::string& error);

// Listens on 127.0.0.1:port. -1 on failure, with the reason in error.
int listenOnLoopbackPort(uint16_t port, std::string& error);

// Accepts one waiting connection as a non-blocking socket; -1 when none waits.
int acceptConnection(int listenFd);

}  // namespace lab::sim
