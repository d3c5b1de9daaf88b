#pragma once
// Report lengths of a HID interface from its report descriptor, as the
// Windows HID stack gives them in the capability record.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform::usb {

struct ReportLengths {
  // Report id byte included: with report ids declared, 1 + the longest
  // report's bytes (the id travels in the transfer); without, 1 + the
  // report's bytes (a 0 id byte stands before every report and is not sent).
  // 0 when the interface has no report of that direction.
  uint16_t input = 0;
  uint16_t output = 0;
  bool usesReportIds = false;
};

// Sums Report Size x Report Count of every Input and Output main item per
// report id (usage pages and usages do not matter for lengths). Nothing for
// a descriptor whose items run past its end.
std::optional<ReportLengths> reportLengthsOf(const uint8_t* descriptor, size_t length);

}  // namespace platform::usb
