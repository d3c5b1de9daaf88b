#include "lab/boards.h"

namespace lab {

std::string BoardView::digits(int firstPosition, int count) const {
  std::string text;
  for (int position = firstPosition; position < firstPosition + count; ++position) {
    if (position < 1 || position > kDigitPositions) continue;
    text += digitChars[position - 1];
    if (decimalPoints[position - 1]) text += '.';
  }
  return text;
}

uint8_t BoardView::segments(int position) const {
  if (position < 1 || position > kDigitPositions) return 0;
  int column = position - 1;
  uint8_t pattern = 0;
  for (int row = 0; row < 8; ++row)
    if (matrix[row][column / 8] & (1u << (column % 8))) pattern |= static_cast<uint8_t>(1u << row);
  return pattern;
}

bool BoardView::ledLit(int led) const {
  if (led < 1 || led > kIndicatorLeds) return false;
  int row = (led - 1) % 8, column = (led - 1) / 8;
  return matrix[row][column / 8] & (1u << (column % 8));
}

}  // namespace lab
