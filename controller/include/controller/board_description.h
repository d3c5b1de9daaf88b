#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

#include "controller/controller_info.h"

// Turning the bytes read from a board's configuration memory (IIC chip 1)
// into its ControllerInfo, with the corrections that known boards need.

// Addresses in the configuration memory.
namespace boardaddress {
constexpr uint8_t kRange4 = 0x63;     // first, last
constexpr uint8_t kFeatures0 = 0x65;  // feature word bits 0-7, 8-15
constexpr uint8_t kRange3 = 0x67;
constexpr uint8_t kRange2 = 0x69;
constexpr uint8_t kRange1 = 0x7B;
constexpr uint8_t kVariant = 0x7F;
constexpr uint8_t kModel = 0x80;      // high, low
constexpr uint8_t kDate = 0x83;       // three numbers
constexpr uint8_t kFeatures2 = 0x90;  // feature word bits 16-23, 24-31
}  // namespace boardaddress

struct BoardMemoryReading {
  // 0xFF, 0xFF when the memory holds no model (either byte 0xFF).
  uint8_t modelHigh = 0xFF, modelLow = 0xFF;
  // Feature word as featureWordOf gives it.
  uint32_t featureWord = 0;
  // Ranges 1-4 as stored, each read only when the feature word says the
  // board has it (rangeIsPresent); 0, 0 otherwise.
  struct Range {
    uint8_t first = 0, last = 0;
  } ranges[4];
  uint8_t variant = 0;
  uint8_t date[3] = {0, 0, 0};
};

// The feature word from its four bytes (address order 0x65, 0x66, 0x90,
// 0x91). A blank memory (all four 0xFF and no model) has no features.
uint32_t featureWordOf(const uint8_t bytes[4], uint8_t modelHigh, uint8_t modelLow);

// Whether range 1-4 is stored on the board, by its feature bit.
bool rangeIsPresent(uint32_t featureWord, int range);

// The record for a board with this serial number.
ControllerInfo describeBoard(const BoardMemoryReading& reading, std::string_view serial);

// The model a board's memory gives at 0x80/0x81, for boards whose record is
// not used: nothing when either byte is 0xFF. Two early boards carry a wrong
// model and are known by their serial numbers.
std::optional<uint16_t> modelFromMemory(uint8_t high, uint8_t low, std::string_view serial);
