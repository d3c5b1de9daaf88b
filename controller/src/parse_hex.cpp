#include "controller/parse_hex.h"

namespace {

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

uint32_t parseHex(std::string_view text) {
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  uint32_t value = 0;
  for (char c : text) {
    int digit = digitValue(c);
    if (digit < 0) break;
    // Digits beyond eight shift the first ones out, as a 32-bit value does.
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  return value;
}
