#pragma once
#include <array>
#include <cstdint>
#include <functional>

// The key matrix as the firmware reports it: 8 words of 16 bits. Bit b of
// the low byte of word w is key 8w+b+1 (keys 1-64); bit b of the high byte
// is key 8w+b+65 (keys 65-128, only in the 128-key mode).
using KeyWords = std::array<uint16_t, 8>;

enum KeyMatrixMode : uint8_t { kKeyMatrixOff = 0, kKeyMatrix64 = 1, kKeyMatrix128 = 2 };

// Report ids of the key matrix (special-mode interface).
constexpr uint8_t kKeyModeReport = 0x18;
constexpr uint8_t kKeyRequestReport = 0x19;
constexpr uint8_t kKeys1To32 = 0x19, kKeys33To64 = 0x1A, kKeys65To96 = 0x1B, kKeys97To128 = 0x1C;

// Puts the firmware's key reports together into the key words. The
// firmware sends its set of reports (0x19, 0x1A, and 0x1B, 0x1C in the
// 128-key mode) in that order on every change; each report brings the
// keys it covers, so the keys of a report can be told as soon as it comes,
// and a full report (every key) is whole with the last report of the set.
class KeyScanAssembler {
 public:
  enum class Taken {
    Nothing,    // no keys: another report id, or high bytes being ignored
    Part,       // the keys of one report
    LastOfSet,  // the keys of the set's last report: every key is now known
  };

  explicit KeyScanAssembler(KeyMatrixMode mode) : mode_(mode) {}

  // Takes one 8-byte key report. A report 0x18 (or any other id) seen
  // mid-set makes the set's high bytes ignored until the set is complete.
  Taken take(const uint8_t* report);
  const KeyWords& words() const { return words_; }

 private:
  void store(const uint8_t* report, size_t firstWord, bool highBytes);

  KeyMatrixMode mode_;
  KeyWords words_{};
  bool discardHighBytes_ = false;
};

// Hands the keys that a report brought to `report` (key number, state 0 or 1;
// returns false to stop): every key when reportAll, otherwise those that
// differ between before and now, in ascending order, keys above 64 only in
// the 128-key mode. A full report ends with the marker (0, 0), which is sent
// even after report asked to stop. False when report asked to stop.
bool reportKeyChanges(const KeyWords& before, const KeyWords& now, KeyMatrixMode mode,
                      bool reportAll, const std::function<bool(int key, int state)>& report);
