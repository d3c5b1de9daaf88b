#pragma once
#include <cstdint>
#include <string>

// The result of every FsuipcLink operation, with fixed texts that the bridge
// shows to the user on the simulator screen.
enum class FsuipcError : uint32_t {
  Okay = 0,
  AlreadyOpen = 1,
  NoServerWindow = 2,
  MessageNotRegistered = 3,
  AtomNotCreated = 4,
  MappingNotCreated = 5,
  ViewNotMapped = 6,
  WrongFsuipcVersion = 7,
  WrongSimulatorVersion = 8,  // never set: open asks for no particular simulator
  LinkNotOpen = 9,
  NothingQueued = 10,
  TimedOut = 11,
  SendFailed = 12,
  BadData = 13,
  WideClientWithoutServer = 14,
  AreaFull = 15,
};

// The text of a code; any code above 15 gives "Unknown error".
std::string fsuipcErrorText(uint32_t code);
inline std::string fsuipcErrorText(FsuipcError error) {
  return fsuipcErrorText(static_cast<uint32_t>(error));
}
