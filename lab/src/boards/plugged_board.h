#pragma once
// A board as the system sees it while plugged: per interface a listening
// socket and a descriptor in the hid folder, the handles open on it, and the
// firmware behind them.
#include "boards/board_firmware.h"
#include "boards/handle_connection.h"
#include "lab/boards.h"

#include <platform/hid_lab.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace lab::boards {

struct InterfaceSocket {
  platform::hidlab::Descriptor descriptor;
  int listenFd = -1;
  std::string socketPath;
  std::string descriptorPath;
  bool listed = false;  // its descriptor is in place
};

struct PluggedBoard {
  PluggedBoard(const BoardSetup& setup, uint64_t number)
      : setup(setup), number(number), firmware(setup) {}

  BoardSetup setup;
  uint64_t number;  // the rack's count of plugs, so a replug is another board
  BoardFirmware firmware;
  BoardFaults faults;
  bool unplugAfterNextReport = false;
  std::vector<InterfaceSocket> interfaces;
  std::vector<std::unique_ptr<HandleConnection>> connections;
  std::deque<OutputReport> outputReports;
  std::deque<InputReportRecord> inputReports;

  const InterfaceSocket* interface(int interfaceNumber) const;
  HandleConnection* connection(uint64_t id);
  uint16_t outputLength(int interfaceNumber) const;
  uint16_t inputLength(int interfaceNumber) const;
};

// Makes the board's sockets listen, then puts its descriptors in place, in
// the setup's order (a pin interface held back stays unlisted). Null (with
// nothing left behind) when that fails.
std::unique_ptr<PluggedBoard> plugIntoFolder(const std::string& folder, const BoardSetup& setup,
                                             uint64_t number);
// Puts the descriptors of the interfaces held back in place; false when
// there were none, or one cannot be written.
bool listHeldBackInterfaces(const std::string& folder, PluggedBoard& board);

// Takes the board out of the system: descriptors first, then every handle
// hangs up and the sockets go. The file descriptors are handed to retired
// for the rack's thread to close, since it may be polling them right now.
void unplugFromFolder(PluggedBoard& board, std::vector<int>& retired);

// Removes descriptors (and their sockets) that no rack serves any more.
void removeStaleDescriptors(const std::string& folder);

}  // namespace lab::boards
