#include "platform/hid.h"

// The boards on Windows (SetupAPI, hid.dll, device-change notices) come
// later. Until then this system lists no HID interfaces and reports no
// changes, so both programs run without boards.
namespace platform {
namespace {

class NoDeviceChanges final : public DeviceChangeWatcher {};

}  // namespace

std::vector<HidInterfaceInfo> enumerateHidInterfaces() { return {}; }

std::unique_ptr<HidDevice> HidDevice::open(const std::string&, Access) { return nullptr; }

std::unique_ptr<DeviceChangeWatcher> DeviceChangeWatcher::start(Callback, void*) {
  return std::make_unique<NoDeviceChanges>();
}

}  // namespace platform
