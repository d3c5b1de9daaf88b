#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>

// What a board's configuration memory says about it: 108 bytes,
// little-endian. Other processes read the same bytes from the shared copy
// that the first reader of a board publishes, so the layout is fixed.
struct ControllerInfo {
  struct Range {
    uint32_t count;  // last - first + 1, or 0 when the range is not used
    uint32_t first;
    uint32_t last;
  };

  Range ranges[4];         // ranges 1-4
  uint8_t reserved[36];
  char modelText[5];       // "3401": model high and low byte in hexadecimal; empty until read
  char dateText[9];        // "17/06/23"; empty when the board carries no date
  uint8_t reserved2[2];
  uint32_t featureWord;
  uint32_t variantNumber;
};

static_assert(std::endian::native == std::endian::little, "the shared record is little-endian");
static_assert(sizeof(ControllerInfo) == 108);
static_assert(offsetof(ControllerInfo, ranges[3].last) == 44);
static_assert(offsetof(ControllerInfo, modelText) == 84);
static_assert(offsetof(ControllerInfo, dateText) == 89);
static_assert(offsetof(ControllerInfo, featureWord) == 100);
static_assert(offsetof(ControllerInfo, variantNumber) == 104);
