#include "controller/segment_font.h"

#include <array>
#include <cstddef>

namespace {

struct Shape {
  char character;
  uint8_t pattern;
};

constexpr Shape kShapes[] = {
    {' ', 0},    {'!', 1},    {'"', 2},    {'#', 4},    {'$', 8},    {'%', 16},   {'&', 32},
    {'\'', 64},  {'-', 64},   {'.', 128},  {'_', 8},
    {'0', 63},   {'1', 6},    {'2', 91},   {'3', 79},   {'4', 102},  {'5', 109},  {'6', 125},
    {'7', 7},    {'8', 127},  {'9', 103},
    {'A', 119},  {'B', 127},  {'C', 57},   {'D', 31},   {'E', 121},  {'F', 113},  {'G', 61},
    {'H', 118},  {'I', 6},    {'J', 30},   {'K', 122},  {'L', 56},   {'M', 21},   {'N', 55},
    {'O', 63},   {'P', 115},  {'Q', 107},  {'R', 51},   {'S', 109},  {'T', 7},    {'U', 62},
    {'V', 114},  {'W', 126},  {'X', 100},  {'Y', 110},  {'Z', 91},
    {'a', 95},   {'b', 124},  {'c', 88},   {'d', 94},   {'e', 123},  {'f', 113},  {'g', 111},
    {'h', 116},  {'i', 4},    {'j', 14},   {'k', 117},  {'l', 48},   {'m', 20},   {'n', 84},
    {'o', 92},   {'p', 115},  {'q', 103},  {'r', 80},   {'s', 109},  {'t', 120},  {'u', 28},
    {'v', 98},   {'w', 42},   {'x', 100},  {'y', 110},  {'z', 91},
};

constexpr std::array<uint8_t, 128> makeFont() {
  std::array<uint8_t, 128> font{};
  for (const Shape& shape : kShapes) font[static_cast<unsigned char>(shape.character)] = shape.pattern;
  return font;
}

constexpr std::array<uint8_t, 128> kFont = makeFont();

}  // namespace

uint8_t SegmentFont(char character) {
  // Taken as a signed byte: everything above 127 is negative and dark.
  auto code = static_cast<signed char>(character);
  return code < 0 ? 0 : kFont[static_cast<size_t>(code)];
}
