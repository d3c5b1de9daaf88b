#pragma once
// Device-change notices of real USB boards: what the library's hot-plug
// events mean as arrivals and removals of interface paths.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/hid.h"
#include "posix/usb_library.h"

namespace platform::usb {

class HotplugNotices {
 public:
  using Notice = std::pair<DeviceChangeWatcher::Change, std::string>;

  // The boards present when watching starts, so that their removal is
  // named even when the library can no longer describe a device that left.
  void seed(const std::vector<UsbDeviceFacts>& present);
  // One notice per HID interface of a board; other devices give none.
  std::vector<Notice> arrived(const UsbDeviceFacts& device);
  std::vector<Notice> left(const UsbDeviceFacts& device);

 private:
  std::map<UsbAddress, std::vector<std::string>> known_;
};

}  // namespace platform::usb
