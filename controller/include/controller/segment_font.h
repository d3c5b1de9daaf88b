#pragma once
#include <cstdint>

// Segment pattern of a character on a seven-segment digit: bit 0 = segment
// a ... bit 6 = segment g, bit 7 = the decimal point. Characters without a
// shape (and every byte above 127) are dark.
uint8_t SegmentFont(char character);

constexpr uint8_t kDecimalPointSegment = 0x80;
