#pragma once
// The world file of `kestrix-lab serve --world FILE`: what the lab's world is
// made of when it starts. An INI-like text (see docs/lab.md):
//
//   # the default world, written out
//   [simulator]
//   flight = running      ; running | stopped
//   tcp-port = 0          ; 0: Unix socket only
//   refuse = off          ; on | off
//
// Blank lines and lines starting with '#' or ';' are ignored, as is a ';' or
// '#' comment after a value. Names are case-insensitive; an unknown section
// or key is an error, so that a typing slip does not go unnoticed. Boards,
// the FSUIPC server and the peer window have sections of their own.
//
// Each board is a section of its own, named with its serial number:
//
//   [board 00001001]
//   model = 3401          ; 4 hex digits (high, low byte), or blank
//   variant = 1           ; 0-255
//   vendor = 1FD1         ; hex
//   product = 03E8        ; hex
//
// ("model = 3402, variant = 2" on one line works too.)
//
//   [peer]
//   window = on           ; on | off: the cooperating program's "TCP_CLIENT"
//                         ; window that records the transponder's notices
//
//   [fsuipc]
//   window = uipcmain     ; uipcmain | fs98main | off: the FSUIPC server's window
//   answer = normal       ; normal | bad | silent | garbage
// A world that lists no board has the default ones (a radio panel 00001001
// and a transponder panel 00001002, variant 2); one that lists boards has
// exactly those.
#include "lab/boards.h"
#include "lab/fsuipc_server.h"
#include "lab/simulator.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lab {

// A board as a person names it, in a world file or `kestrix-lab board add`.
struct WorldBoard {
  std::string serial;
  bool blank = false;  // all memory 0xFF; model and variant unused
  uint16_t model = 0x3401;
  uint8_t variant = 1;
  uint16_t vendorId = 0x1FD1;
  uint16_t productId = 0x03E8;
};

BoardSetup setupOf(const WorldBoard& board);
std::vector<WorldBoard> defaultWorldBoards();

struct WorldSettings {
  bool flightRunning = true;
  uint16_t tcpPort = 0;
  bool refusing = false;
  std::vector<WorldBoard> boards = defaultWorldBoards();
  AircraftRadios aircraft;  // [aircraft] (see docs/lab.md)
  RadioTuning radioTuning = RadioTuning::Standby;
  bool peerWindow = true;  // [peer] window = on | off: the "TCP_CLIENT" window
  // [fsuipc] window = uipcmain | fs98main | off (nothing), answer = normal | ...
  std::optional<FsuipcServer::WindowKind> fsuipcWindow = FsuipcServer::WindowKind::Fsuipc;
  FsuipcServer::AnswerMode fsuipcAnswer = FsuipcServer::AnswerMode::Normal;
};

// False with a message ("FILE:LINE: ...") when the text is not a world.
bool parseWorld(std::string_view text, const std::string& fileName, WorldSettings& world,
                std::string& error);
bool loadWorldFile(const std::string& path, WorldSettings& world, std::string& error);

}  // namespace lab
