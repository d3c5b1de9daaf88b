#pragma once
// Which boards the HID service reaches on Linux, and the two backends behind
// platform/hid.h: the lab's emulated boards and real USB boards.
#include <optional>
#include <string>
#include <string_view>

#include "platform/hid.h"

namespace platform::posix {

enum class HidBackend { Lab, Usb };

// The variable that chooses the backend: "lab" or "usb".
constexpr std::string_view kHidBackendVariable = "KESTRIX_HID";

// The rule: KESTRIX_HID=lab or KESTRIX_HID=usb decides; otherwise the lab
// when <runtime dir>/hid exists (the lab's board rack makes it when it
// starts), real USB boards when it does not. Any other value of the
// variable counts as unset.
HidBackend hidBackendFor(const std::optional<std::string>& setting, bool labFolderExists);
// The rule applied to this process's environment and runtime folder, looked
// at afresh on every call.
HidBackend chosenHidBackend();

std::vector<HidInterfaceInfo> enumerateLabInterfaces();
std::unique_ptr<HidDevice> openLabInterface(const std::string& path, HidDevice::Access access);
std::unique_ptr<DeviceChangeWatcher> watchLabInterfaces(DeviceChangeWatcher::Callback callback,
                                                        void* user);

std::vector<HidInterfaceInfo> enumerateUsbInterfaces();
std::unique_ptr<HidDevice> openUsbInterface(const std::string& path, HidDevice::Access access);
std::unique_ptr<DeviceChangeWatcher> watchUsbInterfaces(DeviceChangeWatcher::Callback callback,
                                                        void* user);

}  // namespace platform::posix
