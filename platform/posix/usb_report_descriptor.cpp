#include "posix/usb_report_descriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace platform::usb {
namespace {

// Short items: bits 0-1 the data size (0, 1, 2 or 4 bytes), bits 2-3 the
// type, bits 4-7 the tag. 0xFE starts a long item.
constexpr uint8_t kLongItem = 0xFE;
constexpr uint8_t kMainInput = 0x80;
constexpr uint8_t kMainOutput = 0x90;
constexpr uint8_t kGlobalReportSize = 0x74;
constexpr uint8_t kGlobalReportId = 0x84;
constexpr uint8_t kGlobalReportCount = 0x94;
constexpr uint8_t kGlobalPush = 0xA4;
constexpr uint8_t kGlobalPop = 0xB4;

struct Globals {
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint32_t reportId = 0;
};

// Bits per report id and direction.
struct ReportBits {
  std::map<uint32_t, uint64_t> input, output;
};

// The id byte counts whether the reports carry it or it is prepended.
uint16_t lengthOf(const std::map<uint32_t, uint64_t>& bits) {
  uint64_t longest = 0;
  for (const auto& [id, count] : bits) longest = std::max(longest, count);
  if (longest == 0) return 0;
  uint64_t bytes = 1 + (longest + 7) / 8;
  return static_cast<uint16_t>(std::min<uint64_t>(bytes, UINT16_MAX));
}

}  // namespace

std::optional<ReportLengths> reportLengthsOf(const uint8_t* descriptor, size_t length) {
  Globals globals;
  std::vector<Globals> pushed;
  ReportBits bits;
  bool usesReportIds = false;
  for (size_t at = 0; at < length;) {
    uint8_t prefix = descriptor[at];
    if (prefix == kLongItem) {
      if (at + 1 >= length) return std::nullopt;
      at += 3 + descriptor[at + 1];
      if (at > length) return std::nullopt;
      continue;
    }
    size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
    if (at + 1 + size > length) return std::nullopt;
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i) value |= uint32_t(descriptor[at + 1 + i]) << (8 * i);
    at += 1 + size;
    switch (prefix & 0xFC) {
      case kGlobalReportSize: globals.reportSize = value; break;
      case kGlobalReportCount: globals.reportCount = value; break;
      case kGlobalReportId:
        globals.reportId = value;
        usesReportIds = true;
        break;
      case kGlobalPush: pushed.push_back(globals); break;
      case kGlobalPop:
        if (!pushed.empty()) {
          globals = pushed.back();
          pushed.pop_back();
        }
        break;
      case kMainInput:
        bits.input[globals.reportId] += uint64_t(globals.reportSize) * globals.reportCount;
        break;
      case kMainOutput:
        bits.output[globals.reportId] += uint64_t(globals.reportSize) * globals.reportCount;
        break;
      default: break;
    }
  }
  ReportLengths lengths;
  lengths.usesReportIds = usesReportIds;
  lengths.input = lengthOf(bits.input);
  lengths.output = lengthOf(bits.output);
  return lengths;
}

}  // namespace platform::usb
