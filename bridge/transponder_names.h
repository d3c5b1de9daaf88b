#pragma once
#include <cstdint>
#include <map>
#include <string>

// The function names that the transponder panel's four client events stand
// for: "ZRQ-XPNDR.Mode" 3 is "TARA", "ZRQ-XPNDR.Ident" 1 is "IDENTPRESSED".
// A configuration module says what each name does.
using ValueNames = std::map<uint32_t, std::string>;

struct TransponderNames {
  ValueNames ModeNames;
  ValueNames PositionNames;
  ValueNames StatusNames;

  // Fills the three tables (the bridge does so once, at start-up).
  void fill();
};

// The name for a value of a table; the empty name when it has no entry.
std::string nameFor(const ValueNames& table, uint32_t value);
// "IDENTPRESSED" for 1, "IDENTRELEASED" for every other value.
std::string identName(uint32_t value);
