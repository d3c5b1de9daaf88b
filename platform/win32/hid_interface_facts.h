#pragma once
// What enumeration learns of one HID interface, turned into the service's
// HidInterfaceInfo. Kept apart from the system calls that gather it, so
// that the rules can be checked without a device.
#include <windows.h>
// windows.h first: hidsdi.h builds on its types.
#include <hidsdi.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/hid.h"

namespace platform::win32 {

// The USB interface number in a device-interface path: the hexadecimal
// digits after the first "MI_" (any letter case), up to the next "#" or "&";
// -1 when the path has none.
int interfaceNumberOfPath(std::wstring_view path);

// The answers of one interface's probe.
struct HidInterfaceFacts {
  std::wstring path;
  HIDD_ATTRIBUTES attributes{};
  // The report lengths of the capability record; none when the driver gave none.
  std::optional<HIDP_CAPS> capabilities;
  std::optional<std::u16string> serialNumber;
  std::optional<std::u16string> indexedString0;
  DWORD deviceNode = 0;
  DWORD groupingNode = 0;
};

HidInterfaceInfo interfaceInfoOf(const HidInterfaceFacts& facts);

// A HID string request's answer: the text up to its terminator (the buffer
// may be full without one).
std::u16string hidStringOf(const wchar_t* buffer, size_t capacity);

}  // namespace platform::win32
