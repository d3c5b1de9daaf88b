#include "view/key_decoder.h"

#include "view/view_keys.h"

namespace lab::view {

std::vector<int> decodeKeys(const std::string& bytes) {
  std::vector<int> keys;
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == 0x1B && i + 1 < bytes.size() && (bytes[i + 1] == '[' || bytes[i + 1] == 'O')) {
      // CSI: parameters, then one final byte 0x40-0x7E.
      size_t end = i + 2;
      while (end < bytes.size() && (bytes[end] < 0x40 || bytes[end] > 0x7E)) ++end;
      if (end >= bytes.size()) break;
      char final = bytes[end];
      if (final == 'Z') keys.push_back(kKeyShiftTab);
      if (final == 'C') keys.push_back(kKeyRight);
      if (final == 'D') keys.push_back(kKeyLeft);
      i = end;
    } else if (c == '\t') {
      keys.push_back(kKeyTab);
    } else if (c == 0x03) {
      keys.push_back(kKeyCtrlC);
    } else if (c >= 0x20 && c < 0x7F) {
      keys.push_back(c);
    }
  }
  return keys;
}

}  // namespace lab::view
