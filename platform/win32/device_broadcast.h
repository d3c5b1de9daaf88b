#pragma once
// The device-interface broadcasts of WM_DEVICECHANGE, read as the HID
// service's change notices.
#include <windows.h>

#include <optional>
#include <string>

#include "platform/hid.h"

namespace platform::win32 {

struct DeviceInterfaceChange {
  DeviceChangeWatcher::Change change;
  std::string interfacePath;  // UTF-8
};

// The arrival or removal of a device interface that a WM_DEVICECHANGE
// message with these parameters tells; nothing for every other event or
// kind of device.
std::optional<DeviceInterfaceChange> deviceInterfaceChangeOf(WPARAM event, LPARAM broadcast);

}  // namespace platform::win32
