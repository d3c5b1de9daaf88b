// Seven-segment patterns back to the characters they show, for the view.
#include "lab/boards.h"

#include <utility>

namespace lab {
namespace {

// Segment a is bit 0 ... g bit 6. Where two characters share a pattern
// ('0' and 'O', '5' and 'S') the digit is named.
constexpr std::pair<uint8_t, char> kPatterns[] = {
    {0x00, ' '}, {0x3F, '0'}, {0x06, '1'}, {0x5B, '2'}, {0x4F, '3'}, {0x66, '4'},
    {0x6D, '5'}, {0x7D, '6'}, {0x07, '7'}, {0x7F, '8'}, {0x6F, '9'},
    {0x7C, 'b'}, {0x27, '7'}, {0x67, '9'},  // 6 without a, 7 with f, 9 without d
    {0x77, 'A'}, {0x39, 'C'}, {0x58, 'c'}, {0x5E, 'd'}, {0x79, 'E'}, {0x71, 'F'},
    {0x3D, 'G'}, {0x76, 'H'}, {0x74, 'h'}, {0x30, 'I'}, {0x1E, 'J'}, {0x38, 'L'},
    {0x54, 'n'}, {0x37, 'N'}, {0x5C, 'o'}, {0x73, 'P'}, {0x50, 'r'}, {0x78, 't'},
    {0x3E, 'U'}, {0x1C, 'u'}, {0x6E, 'y'}, {0x40, '-'}, {0x08, '_'}, {0x48, '='},
};

}  // namespace

char decodeSevenSegment(uint8_t segments) {
  segments &= 0x7F;
  for (const auto& [pattern, character] : kPatterns)
    if (pattern == segments) return character;
  return '?';
}

}  // namespace lab
