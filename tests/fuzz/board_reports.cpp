// What a board sends: key reports in any order and of any id, in both key
// modes, and its configuration memory.
#include <controller/board_description.h>
#include <controller/key_scan.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const KeyMatrixMode mode = data[0] & 1 ? kKeyMatrix128 : kKeyMatrix64;
  KeyScanAssembler assembler(mode);
  KeyWords before{};
  size_t at = 1;
  for (; at + 8 <= size; at += 8) {
    if (assembler.take(data + at) == KeyScanAssembler::Taken::Nothing) continue;
    reportKeyChanges(before, assembler.words(), mode, false, [](int key, int state) {
      if (key < 0 || key > 128 || state < 0 || state > 1) std::abort();
      return true;
    });
    before = assembler.words();
  }
  BoardMemoryReading reading;
  if (size >= 16) {
    std::memcpy(&reading.modelHigh, data, 1);
    std::memcpy(&reading.modelLow, data + 1, 1);
    reading.featureWord = featureWordOf(data + 2, reading.modelHigh, reading.modelLow);
    for (int r = 0; r < 4; ++r) reading.ranges[r] = {data[6 + 2 * r], data[7 + 2 * r]};
    reading.variant = data[14];
    reading.date[0] = data[15];
    describeBoard(reading, "0000A001");
    modelFromMemory(reading.modelHigh, reading.modelLow, "0000A001");
  }
  return 0;
}
