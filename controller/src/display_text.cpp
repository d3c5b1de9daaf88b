#include "controller/display_text.h"

#include "controller/segment_font.h"

std::string prepareDisplayText(std::string_view text, int count, int alignment, char pad) {
  if (count < -1 || (alignment != 0 && alignment != 1)) return {};
  // Dots are counted from the left, but never more of them than digits asked for.
  int dots = 0;
  for (char c : text) {
    if (count != -1 && dots >= count) break;
    if (c == '.') ++dots;
  }
  const int digits = static_cast<int>(text.size()) - dots;
  if (count == -1) count = digits;

  if (count > digits) {
    std::string padding(static_cast<size_t>(count - digits), pad);
    return alignment == 0 ? std::string(text) + padding : padding + std::string(text);
  }
  const size_t kept = static_cast<size_t>(count + dots);
  return std::string(alignment == 0 ? text.substr(0, kept) : text.substr(text.size() - kept));
}

void paintDisplayRow(std::array<uint8_t, 4>& columnBytes, int row, std::string_view shown,
                     int firstPosition) {
  int digit = 0;
  for (size_t i = 0; i < shown.size(); ++i, ++digit) {
    uint8_t pattern = SegmentFont(shown[i]);
    if (i + 1 < shown.size() && shown[i + 1] == '.') {
      // A point on a character that already is one stays a point.
      pattern |= kDecimalPointSegment;
      ++i;
    }
    const int column = firstPosition - 1 + digit;
    if (column < 0 || column > 31) continue;
    const uint8_t bit = static_cast<uint8_t>(1u << (column % 8));
    uint8_t& byte = columnBytes[static_cast<size_t>(column / 8)];
    if (pattern & (1u << row))
      byte |= bit;
    else
      byte &= static_cast<uint8_t>(~bit);
  }
}
