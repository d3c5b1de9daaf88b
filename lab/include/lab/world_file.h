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
// the FSUIPC server and the peer window will add sections of their own.
#include <cstdint>
#include <string>
#include <string_view>

namespace lab {

struct WorldSettings {
  bool flightRunning = true;
  uint16_t tcpPort = 0;
  bool refusing = false;
};

// False with a message ("FILE:LINE: ...") when the text is not a world.
bool parseWorld(std::string_view text, const std::string& fileName, WorldSettings& world,
                std::string& error);
bool loadWorldFile(const std::string& path, WorldSettings& world, std::string& error);

}  // namespace lab
