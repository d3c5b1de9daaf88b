#pragma once
// One seven-segment digit drawn in three text rows, four columns each (the
// fourth holds the decimal point), straight from the lit segments so that
// patterns that are no character look as they do on the panel:
//    _
//   |_|
//   |_|.
#include <array>
#include <cstdint>
#include <string>

namespace lab::view {

// Segment a = bit 0 ... g = bit 6, decimal point bit 7.
std::array<std::string, 3> segmentGlyph(uint8_t segments);

}  // namespace lab::view
