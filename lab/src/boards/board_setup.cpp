#include "lab/boards.h"

namespace lab {
namespace {

struct RangeAddresses {
  uint8_t first, last;
};
constexpr RangeAddresses kRanges[] = {
    {boardmemory::kRange1First, boardmemory::kRange1Last},
    {boardmemory::kRange2First, boardmemory::kRange2Last},
    {boardmemory::kRange3First, boardmemory::kRange3Last},
    {boardmemory::kRange4First, boardmemory::kRange4Last},
};

constexpr uint8_t kPanelFamily = 0x34;
constexpr uint8_t kRadioPanel = 0x01;
constexpr uint8_t kTransponderPanel = 0x02;

}  // namespace

BoardSetup BoardSetup::blank(std::string serial) {
  BoardSetup setup;
  setup.serial = std::move(serial);
  return setup;
}

BoardSetup BoardSetup::panel(std::string serial, uint8_t modelHigh, uint8_t modelLow,
                           uint8_t variant) {
  BoardSetup setup = blank(std::move(serial));
  setup.memory[boardmemory::kModelHigh] = modelHigh;
  setup.memory[boardmemory::kModelLow] = modelLow;
  setup.memory[boardmemory::kVariant] = variant;
  setup.setDate(17, 6, 23);
  // What the factory writes: the transponder has one four-digit code range,
  // a radio panel four five-digit frequency ranges.
  if (modelHigh == kPanelFamily && modelLow == kTransponderPanel) {
    setup.setFeatureWord(0x00000003).setRange(1, 1, 4).setRange(2, 5, 8);
  } else {
    setup.setFeatureWord(modelHigh == kPanelFamily && modelLow == kRadioPanel ? 0x00000007 : 0x1);
    setup.setRange(1, 1, 5).setRange(2, 6, 10).setRange(3, 11, 15).setRange(4, 16, 20);
  }
  return setup;
}

BoardSetup& BoardSetup::setRange(int range, uint8_t first, uint8_t last) {
  if (range < 1 || range > 4) return *this;
  memory[kRanges[range - 1].first] = first;
  memory[kRanges[range - 1].last] = last;
  return *this;
}

BoardSetup& BoardSetup::setFeatureWord(uint32_t features) {
  memory[boardmemory::kFeatures0] = static_cast<uint8_t>(features);
  memory[boardmemory::kFeatures1] = static_cast<uint8_t>(features >> 8);
  memory[boardmemory::kFeatures2] = static_cast<uint8_t>(features >> 16);
  memory[boardmemory::kFeatures3] = static_cast<uint8_t>(features >> 24);
  return *this;
}

BoardSetup& BoardSetup::setDate(uint8_t first, uint8_t second, uint8_t third) {
  memory[boardmemory::kDate] = first;
  memory[boardmemory::kDate + 1] = second;
  memory[boardmemory::kDate + 2] = third;
  return *this;
}

uint16_t BoardSetup::model() const {
  return static_cast<uint16_t>(memory[boardmemory::kModelHigh] << 8 |
                               memory[boardmemory::kModelLow]);
}

uint8_t BoardSetup::variant() const { return memory[boardmemory::kVariant]; }

}  // namespace lab
