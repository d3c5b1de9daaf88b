#pragma once
// Listening sockets of the lab's servers: Unix sockets in the runtime folder
// and TCP ports on the loopback address.
#include <cstdint>
#include <string>

namespace lab::net {

// Listens at path, replacing a stale socket file left there. -1 on failure,
// with the reason in error.
int listenOnUnixSocket(const std::string& path, std::string& error);

// Listens on 127.0.0.1:port. -1 on failure, with the reason in error.
int listenOnLoopbackPort(uint16_t port, std::string& error);

// The local port of a TCP socket.
uint16_t localPort(int fd);

// Accepts one waiting connection as a non-blocking socket; -1 when none waits.
int acceptConnection(int listenFd);

// Connects to a Unix socket; -1 when nobody listens there.
int connectToUnixSocket(const std::string& path);

}  // namespace lab::net
