#include "controller/key_scan.h"

void KeyScanAssembler::store(const uint8_t* report, size_t firstWord, bool highBytes) {
  for (size_t i = 0; i < 4; ++i) {
    uint16_t& word = words_[firstWord + i];
    const uint16_t byte = report[1 + i];
    word = highBytes ? static_cast<uint16_t>((word & 0x00FF) | (byte << 8))
                     : static_cast<uint16_t>((word & 0xFF00) | byte);
  }
}

KeyScanAssembler::Taken KeyScanAssembler::take(const uint8_t* report) {
  const uint8_t lastOfSet = mode_ == kKeyMatrix128 ? kKeys97To128 : kKeys33To64;
  bool stored = true;
  switch (report[0]) {
    case kKeys1To32:
      store(report, 0, false);
      break;
    case kKeys33To64:
      store(report, 4, false);
      break;
    case kKeys65To96:
      stored = !discardHighBytes_;
      if (stored) store(report, 0, true);
      break;
    case kKeys97To128:
      stored = !discardHighBytes_;
      if (stored) store(report, 4, true);
      break;
    default:
      discardHighBytes_ = true;
      return Taken::Nothing;
  }
  if (report[0] == lastOfSet) {
    discardHighBytes_ = false;
    return Taken::LastOfSet;
  }
  return stored ? Taken::Part : Taken::Nothing;
}

bool reportKeyChanges(const KeyWords& before, const KeyWords& now, KeyMatrixMode mode,
                      bool reportAll, const std::function<bool(int key, int state)>& report) {
  if (!reportAll && before == now) return true;
  bool goOn = true;
  const int halves = mode == kKeyMatrix128 ? 2 : 1;
  for (int half = 0; half < halves && goOn; ++half) {
    const int shift = half * 8;
    for (int w = 0; w < 8 && goOn; ++w) {
      const unsigned oldByte = (before[w] >> shift) & 0xFF;
      const unsigned newByte = (now[w] >> shift) & 0xFF;
      if (!reportAll && oldByte == newByte) continue;
      for (int b = 0; b < 8 && goOn; ++b) {
        const unsigned mask = 1u << b;
        if (!reportAll && (oldByte & mask) == (newByte & mask)) continue;
        const int key = half * 64 + 8 * w + b + 1;
        goOn = report(key, (newByte & mask) ? 1 : 0);
      }
    }
  }
  if (reportAll) report(0, 0);
  return goOn;
}
