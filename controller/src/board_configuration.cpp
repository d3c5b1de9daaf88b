// The board's description from its configuration memory, shared with the
// other processes that use the board: the first reader publishes it, later
// ones adopt it without touching the IIC bus.
#include <platform/named_mutex.h>
#include <platform/system_facts.h>

#include <cstring>
#include <string_view>

#include "controller/board_description.h"
#include "controller/named_objects.h"
#include "controller/parse_hex.h"
#include "controller/vantrix_controller.h"

namespace {

constexpr int kBoardMemoryChip = 1;
constexpr int kLockPollMs = 200;
constexpr int kLockSettleMs = 5;

// Lets one process at a time read a board's memory, by the existence of a
// named mutex. Creating it tells atomically whether another holder exists.
class BoardMemoryLock {
 public:
  explicit BoardMemoryLock(const std::string& serial) {
    const std::string name = boardMemoryLockName(serial);
    for (;;) {
      bool existed = false;
      mutex_ = platform::NamedMutex::create(name, false, &existed);
      if (!mutex_ || !existed) break;
      mutex_.reset();
      platform::sleepMs(kLockPollMs);
    }
    platform::sleepMs(kLockSettleMs);
  }

 private:
  std::unique_ptr<platform::NamedMutex> mutex_;
};

}  // namespace

bool CVantrixController::readBoardMemory(BoardMemoryReading& reading) {
  using namespace boardaddress;
  uint8_t high = 0, low = 0;
  if (!ReadEeprom(kBoardMemoryChip, kModel, &high, &low)) return false;
  if (high != 0xFF && low != 0xFF) {
    reading.modelHigh = high;
    reading.modelLow = low;
  }
  uint8_t features[4] = {};
  if (!ReadEeprom(kBoardMemoryChip, kFeatures0, &features[0], &features[1]) ||
      !ReadEeprom(kBoardMemoryChip, kFeatures2, &features[2], &features[3]))
    return false;
  reading.featureWord = featureWordOf(features, reading.modelHigh, reading.modelLow);

  // Ranges in the order the memory is read: 2, 1, 3, 4.
  const int rangeOrder[4] = {2, 1, 3, 4};
  const uint8_t rangeAddress[4] = {kRange1, kRange2, kRange3, kRange4};
  for (int range : rangeOrder) {
    if (!rangeIsPresent(reading.featureWord, range)) continue;
    auto& stored = reading.ranges[range - 1];
    if (!ReadEeprom(kBoardMemoryChip, rangeAddress[range - 1], &stored.first, &stored.last))
      return false;
  }
  return ReadEeprom(kBoardMemoryChip, kVariant, &reading.variant) &&
         ReadEeprom(kBoardMemoryChip, kDate, &reading.date[0], &reading.date[1], &reading.date[2]);
}

bool CVantrixController::adoptPublishedInfo() {
  if (infoMapping_) return false;
  auto published = platform::NamedSharedMemory::openExisting(
      controllerInfoName(GetProductId(), GetSerialNumber()));
  ControllerInfo info{};
  if (!published || !published->read(0, &info, sizeof info)) return false;
  info_ = info;
  infoMapping_ = std::move(published);
  return true;
}

void CVantrixController::publishInfo() {
  if (infoMapping_) return;
  bool existed = false;
  // A new block holds the record from its first moment, so nobody adopts
  // an empty one.
  auto published = platform::NamedSharedMemory::createOrOpen(
      controllerInfoName(GetProductId(), GetSerialNumber()), sizeof info_, &info_, &existed);
  if (!published) return;
  if (existed) published->write(0, &info_, sizeof info_);
  infoMapping_ = std::move(published);
}

bool CVantrixController::ReadConfiguration(bool refresh) {
  if (!refresh) {
    if (info_.modelText[0] != 0) return true;
    if (adoptPublishedInfo()) return true;
  }
  infoMapping_.reset();
  const std::string serial = GetSerialNumber();
  BoardMemoryLock boardMemory(serial);
  const bool iicWasOn = iicMarkerExists();
  if (!iicWasOn && !EnableIic(true)) return false;
  BoardMemoryReading reading;
  if (!readBoardMemory(reading)) return false;
  info_ = describeBoard(reading, serial);
  if (!iicWasOn) EnableIic(false);
  publishInfo();
  return true;
}

ControllerInfo CVantrixController::GetControllerInfo() {
  ReadConfiguration(false);
  return info_;
}

int CVantrixController::GetModel(int chip, bool refresh) {
  if (chip == kBoardMemoryChip && ReadConfiguration(refresh)) {
    const std::string_view model(info_.modelText, strnlen(info_.modelText, sizeof info_.modelText));
    const std::string_view high = model.substr(0, 2);
    const std::string_view low = model.substr(high.size(), 2);
    return static_cast<int>(parseHex(high) * 256 + parseHex(low));
  }
  if (chip < 1 || chip > 8) return -1;
  auto& cached = modelCache_[static_cast<size_t>(chip - 1)];
  if (!refresh && cached[0] != -1) return cached[0] * 256 + cached[1];

  const bool iicWasOn = iicMarkerExists();
  if (!iicWasOn) EnableIic(true);
  uint8_t high = 0xFF, low = 0xFF;
  const bool read = ReadEeprom(chip, boardaddress::kModel, &high, &low);
  if (!iicWasOn) EnableIic(false);
  const auto model = read ? modelFromMemory(high, low, GetSerialNumber()) : std::nullopt;
  if (!model) return -1;
  cached = {*model >> 8, *model & 0xFF};
  return *model;
}
