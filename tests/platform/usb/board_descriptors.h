#pragma once
// HID report descriptors of the boards' two interfaces, written from the
// IO-Warrior chips' published report layouts: the pin interface (IO-Warrior
// 40 style) has no report ids and 4-byte input and output reports; the
// special-mode interface declares a report id for each request and answer,
// each with 7 bytes after the id.
#include <cstdint>
#include <vector>

namespace usbtest {

inline std::vector<uint8_t> pinInterfaceDescriptor() {
  return {
      0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
      0x09, 0x01,        // Usage 1
      0xA1, 0x01,        // Collection (Application)
      0x15, 0x00,        //   Logical Minimum 0
      0x26, 0xFF, 0x00,  //   Logical Maximum 255
      0x75, 0x08,        //   Report Size 8
      0x95, 0x04,        //   Report Count 4
      0x09, 0x01,        //   Usage 1
      0x81, 0x02,        //   Input (data, variable, absolute)
      0x09, 0x01,        //   Usage 1
      0x91, 0x02,        //   Output (data, variable, absolute)
      0xC0,              // End Collection
  };
}

// The ids of the special modes: IIC, LED matrix, key matrix, pin status.
inline const std::vector<uint8_t>& specialModeReportIds() {
  static const std::vector<uint8_t> ids = {0x01, 0x02, 0x03, 0x14, 0x15, 0x18,
                                           0x19, 0x1A, 0x1B, 0x1C, 0xFF};
  return ids;
}

inline std::vector<uint8_t> specialModeInterfaceDescriptor() {
  std::vector<uint8_t> bytes = {
      0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
      0x09, 0x02,        // Usage 2
      0xA1, 0x01,        // Collection (Application)
      0x15, 0x00,        //   Logical Minimum 0
      0x26, 0xFF, 0x00,  //   Logical Maximum 255
      0x75, 0x08,        //   Report Size 8
      0x95, 0x07,        //   Report Count 7
  };
  for (uint8_t id : specialModeReportIds()) {
    const uint8_t report[] = {0x85, id,           // Report ID
                              0x09, 0x02, 0x81, 0x02,  // Usage 2, Input
                              0x09, 0x02, 0x91, 0x02};  // Usage 2, Output
    bytes.insert(bytes.end(), std::begin(report), std::end(report));
  }
  bytes.push_back(0xC0);
  return bytes;
}

}  // namespace usbtest
