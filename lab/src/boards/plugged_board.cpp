#include "boards/plugged_board.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lab::boards {
namespace {

namespace hidlab = platform::hidlab;

// Windows names the interfaces of a composite device "7&<hash>&0&000<n>";
// a hash of the serial keeps a board's paths the same across replugs.
uint32_t hashOf(const std::string& text) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
  return hash;
}

std::string hex8(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

bool fillAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

int listenAt(const std::string& path) {
  sockaddr_un address;
  if (!fillAddress(path, address)) return -1;
  int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  ::unlink(path.c_str());
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 64) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool someoneListens(const std::string& path) {
  sockaddr_un address;
  if (!fillAddress(path, address)) return false;
  int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool listening = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return listening;
}

constexpr const char* kLanguageList = "\u0409";  // string descriptor 0: US English

hidlab::Descriptor describe(const BoardSetup& setup, uint64_t number, int interfaceNumber) {
  bool pin = interfaceNumber == kPinInterface;
  uint32_t hash = hashOf(setup.serial);
  hidlab::Descriptor d;
  d.path = hidlab::interfacePath(setup.vendorId, setup.productId, interfaceNumber,
                                 "7&" + hex8(hash) + "&0&000" + std::to_string(interfaceNumber));
  d.vendorId = setup.vendorId;
  d.productId = setup.productId;
  d.versionNumber = setup.version;
  d.inputReportLength = pin ? setup.pinInputLength : setup.specialInputLength;
  d.outputReportLength = pin ? setup.pinOutputLength : setup.specialOutputLength;
  if (setup.answersSerialNumber) d.serialNumber = setup.serial;
  d.indexedString0 = setup.serialEqualsIndexedString0 ? setup.serial : kLanguageList;
  d.groupingNode = 0x100000 + number;
  d.deviceNode = static_cast<uint32_t>(number * 4 + static_cast<uint64_t>(interfaceNumber) + 1);
  d.interfaceNumber = interfaceNumber;
  d.socketName = hex8(hash) + "-" + std::to_string(interfaceNumber) + ".sock";
  return d;
}

}  // namespace

const InterfaceSocket* PluggedBoard::interface(int interfaceNumber) const {
  for (const InterfaceSocket& socket : interfaces)
    if (socket.descriptor.interfaceNumber == interfaceNumber) return &socket;
  return nullptr;
}

HandleConnection* PluggedBoard::connection(uint64_t id) {
  for (auto& connection : connections)
    if (connection->id() == id) return connection.get();
  return nullptr;
}

uint16_t PluggedBoard::outputLength(int interfaceNumber) const {
  const InterfaceSocket* socket = interface(interfaceNumber);
  return socket ? socket->descriptor.outputReportLength : 0;
}

uint16_t PluggedBoard::inputLength(int interfaceNumber) const {
  const InterfaceSocket* socket = interface(interfaceNumber);
  return socket ? socket->descriptor.inputReportLength : 0;
}

std::unique_ptr<PluggedBoard> plugIntoFolder(const std::string& folder, const BoardSetup& setup,
                                             uint64_t number) {
  auto board = std::make_unique<PluggedBoard>(setup, number);
  // Takes back only what this plug made, so a board it collided with stays.
  auto abandon = [&] {
    for (const InterfaceSocket& socket : board->interfaces) {
      if (socket.listed) ::unlink(socket.descriptorPath.c_str());
      if (socket.listenFd < 0) continue;
      ::unlink(socket.socketPath.c_str());
      ::close(socket.listenFd);
    }
    return nullptr;
  };
  for (int n = 0; n < setup.matchingInterfaces; ++n) {
    InterfaceSocket socket;
    socket.descriptor = describe(setup, number, n);
    socket.socketPath = folder + "/" + socket.descriptor.socketName;
    socket.descriptorPath = folder + "/" + hidlab::descriptorFileName(socket.descriptor.path);
    // A socket that answers belongs to a board plugged already (by another
    // rack, or one whose serial hashes alike): never take it over.
    if (!someoneListens(socket.socketPath)) socket.listenFd = listenAt(socket.socketPath);
    bool listening = socket.listenFd >= 0;
    board->interfaces.push_back(std::move(socket));
    if (!listening) return abandon();
  }
  // Only now may a program see the board: every socket already answers.
  const bool pinHeldBack = setup.interfaceOrder == BoardSetup::InterfaceOrder::SpecialFirst;
  for (InterfaceSocket& socket : board->interfaces) {
    if (pinHeldBack && socket.descriptor.interfaceNumber == kPinInterface) continue;
    if (!hidlab::writeDescriptor(folder, socket.descriptor)) return abandon();
    socket.listed = true;
  }
  return board;
}

bool listHeldBackInterfaces(const std::string& folder, PluggedBoard& board) {
  bool listedAny = false;
  for (InterfaceSocket& socket : board.interfaces) {
    if (socket.listed) continue;
    if (!hidlab::writeDescriptor(folder, socket.descriptor)) return false;
    socket.listed = listedAny = true;
  }
  return listedAny;
}

void unplugFromFolder(PluggedBoard& board, std::vector<int>& retired) {
  for (const InterfaceSocket& socket : board.interfaces) ::unlink(socket.descriptorPath.c_str());
  for (auto& connection : board.connections) {
    connection->hangUp();
    retired.push_back(connection->fd());
  }
  board.connections.clear();
  for (InterfaceSocket& socket : board.interfaces) {
    ::unlink(socket.socketPath.c_str());
    if (socket.listenFd >= 0) retired.push_back(socket.listenFd);
    socket.listenFd = -1;
  }
}

void removeStaleDescriptors(const std::string& folder) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    std::string name = entry.path().filename().string();
    if (!hidlab::interfacePathOf(name)) continue;
    std::ifstream file(entry.path(), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    auto descriptor = hidlab::decodeDescriptor(text.str());
    std::string socketPath = descriptor ? folder + "/" + descriptor->socketName : std::string();
    if (descriptor && someoneListens(socketPath)) continue;
    if (descriptor) ::unlink(socketPath.c_str());
    std::filesystem::remove(entry.path(), ec);
  }
}

}  // namespace lab::boards
