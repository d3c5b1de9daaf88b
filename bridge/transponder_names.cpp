#include "transponder_names.h"

void TransponderNames::fill() {
  ModeNames = {{1, "OFF"}, {2, "TA"}, {3, "TARA"}, {4, "ABV"}, {5, "BLW"}};
  PositionNames = {{1, "LEFT"}, {2, "RIGHT"}};
  StatusNames = {{1, "STBY"}, {2, "AUTO"}, {3, "ON"}};
}

std::string nameFor(const ValueNames& table, uint32_t value) {
  auto found = table.find(value);
  return found == table.end() ? std::string() : found->second;
}

std::string identName(uint32_t value) { return value == 1 ? "IDENTPRESSED" : "IDENTRELEASED"; }
