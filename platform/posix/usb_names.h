#pragma once
// How real USB boards appear to the rest of the system: which products the
// USB backend lists, their interface paths in the Windows form, grouping and
// device nodes, string descriptors and the framing of reports.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "posix/usb_library.h"

namespace platform::usb {

// The boards' products (IO-Warrior chips): 0x1FD1:0x03E8, 0x1FD1:0x03EA and
// 0x07C0:0x1583. Only these are opened and listed: reading any other HID
// device's descriptors would mean taking it from its kernel driver.
bool isBoardProduct(uint16_t vendorId, uint16_t productId);

// "\\?\hid#vid_1fd1&pid_03e8&mi_01#usb-<bus>-<port>.<port>...#{4d1e55b2-...}"
std::string interfacePathOf(uint16_t vendorId, uint16_t productId, int interfaceNumber,
                            const UsbAddress& address);

struct ParsedInterfacePath {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  int interfaceNumber = 0;
  UsbAddress address;
};
// The parts of a path made by interfacePathOf, in any letter case; nothing
// for any other path.
std::optional<ParsedInterfacePath> parseInterfacePath(const std::string& path);

// Shared by the interfaces of one device: its bus and ports.
uint64_t groupingNodeOf(const UsbAddress& address);
// One interface's own node.
uint32_t deviceNodeOf(const UsbAddress& address, int interfaceNumber);

// The UTF-16 text of a string descriptor (bLength, type 3, units);
// nothing when it is no string descriptor. String descriptor 0 gives the
// language ids as its units, as Windows' indexed string 0 does.
std::optional<std::u16string> textOfStringDescriptor(const uint8_t* data, size_t length);

// Framing between the Windows form of a report (id byte first) and what
// travels on the bus: without report ids no id byte travels.
std::vector<uint8_t> reportOfTransfer(const uint8_t* data, size_t bytes, bool usesReportIds);
struct OutgoingReport {
  uint8_t reportId = 0;
  std::vector<uint8_t> payload;
};
OutgoingReport transferOfReport(const uint8_t* report, size_t length, bool usesReportIds);

// The HID class requests the backend makes.
ControlSetup reportDescriptorRequest(int interfaceNumber);
ControlSetup stringDescriptorRequest(uint8_t index, uint16_t languageId);
ControlSetup setOutputReportRequest(int interfaceNumber, uint8_t reportId);

}  // namespace platform::usb
