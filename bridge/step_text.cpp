#include "step_text.h"

#include <limits>

uint64_t parseHexOffset(std::string_view text) {
  size_t i = 0;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) i = 2;
  constexpr uint64_t kLargest = std::numeric_limits<uint64_t>::max();
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    uint64_t digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<uint64_t>(c - '0');
    else if (c >= 'a' && c <= 'f')
      digit = static_cast<uint64_t>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      digit = static_cast<uint64_t>(c - 'A' + 10);
    else
      break;
    value = value > (kLargest >> 4) ? kLargest : (value << 4) | digit;
  }
  return value;
}

int64_t parseDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr int64_t kLargest = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    value = value > (kLargest - digit) / 10 ? kLargest : value * 10 + digit;
  }
  return negative ? -value : value;
}
