#include "controller/board_description.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint8_t kNoModel = 0xFF;

// Range 1 of the feature bits 8, range 2 of bit 0, range 3 of bit 10, range 4 of bit 13.
constexpr int kRangeFeatureBit[4] = {8, 0, 10, 13};

// Two early boards were programmed as model 0x4C5A; they are model 0x3305.
bool isMisprogrammedBoard(uint8_t high, uint8_t low, std::string_view serial) {
  return high == 0x4C && low == 0x5A && (serial == "0000082E" || serial == "0000082F");
}

void setRange(ControllerInfo::Range& range, uint32_t first, uint32_t last, bool countByFirst) {
  range.first = first;
  range.last = last;
  const bool used = countByFirst ? first != 0 : last != 0;
  range.count = used ? last - first + 1 : 0;
}

}  // namespace

uint32_t featureWordOf(const uint8_t bytes[4], uint8_t modelHigh, uint8_t modelLow) {
  const uint32_t word = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (uint32_t{bytes[3]} << 24);
  if (word == 0xFFFFFFFF && modelHigh == kNoModel && modelLow == kNoModel) return 0;
  return word;
}

bool rangeIsPresent(uint32_t featureWord, int range) {
  if (range < 1 || range > 4) return false;
  return (featureWord >> kRangeFeatureBit[range - 1]) & 1;
}

ControllerInfo describeBoard(const BoardMemoryReading& reading, std::string_view serial) {
  uint8_t high = reading.modelHigh, low = reading.modelLow;
  uint32_t features = reading.featureWord;
  uint32_t variant = reading.variant;
  uint32_t first[4], last[4];
  for (int i = 0; i < 4; ++i) {
    first[i] = reading.ranges[i].first;
    last[i] = reading.ranges[i].last;
  }
  // A range 1 that starts at 1 (or anywhere above) and stores no end runs to 256.
  if ((first[0] == 1 && (last[0] == 0 || last[0] == 0xFF)) || (first[0] > 1 && last[0] == 0))
    last[0] = 256;

  if (high == 0x33 && low == 0x1A) features |= (1u << 16) | (1u << 17);
  if (high == 0x33 && low == 0x0A && variant < 5) {
    first[3] = 15;
    last[3] = 16;
  }
  if (isMisprogrammedBoard(high, low, serial)) {
    high = 0x33;
    low = 0x05;
    features = 0x501;
    const uint32_t knownFirst[4] = {41, 1, 2, 0}, knownLast[4] = {49, 24, 5, 0};
    for (int i = 0; i < 4; ++i) {
      first[i] = knownFirst[i];
      last[i] = knownLast[i];
    }
    variant = 2;
  }

  ControllerInfo info{};
  for (int i = 0; i < 4; ++i) setRange(info.ranges[i], first[i], last[i], /*countByFirst=*/i == 3);
  info.featureWord = features;
  info.variantNumber = variant;
  std::snprintf(info.modelText, sizeof info.modelText, "%.02X%.02X", high, low);
  const uint8_t* date = reading.date;
  if (high != 0 && low != 0 && (date[0] < 100 || date[1] < 100 || date[2] < 100)) {
    char text[16];
    std::snprintf(text, sizeof text, "%.02d/%.02d/%.02d", date[0], date[1], date[2]);
    // Numbers of three digits do not fit the field; the text is cut to it.
    std::memcpy(info.dateText, text, std::min(std::strlen(text), sizeof info.dateText - 1));
  }
  return info;
}

std::optional<uint16_t> modelFromMemory(uint8_t high, uint8_t low, std::string_view serial) {
  if (high == kNoModel || low == kNoModel) return std::nullopt;
  if (isMisprogrammedBoard(high, low, serial)) return 0x3305;
  return static_cast<uint16_t>(high << 8 | low);
}
