#include "posix/usb_hotplug.h"

#include "posix/usb_names.h"

namespace platform::usb {
namespace {

std::vector<std::string> pathsOf(const UsbDeviceFacts& device) {
  std::vector<std::string> paths;
  if (!isBoardProduct(device.vendorId, device.productId)) return paths;
  for (const UsbInterfaceFacts& facts : device.interfaces)
    if (facts.isHid)
      paths.push_back(
          interfacePathOf(device.vendorId, device.productId, facts.number, device.address));
  return paths;
}

}  // namespace

void HotplugNotices::seed(const std::vector<UsbDeviceFacts>& present) {
  for (const UsbDeviceFacts& device : present)
    if (auto paths = pathsOf(device); !paths.empty()) known_[device.address] = std::move(paths);
}

std::vector<HotplugNotices::Notice> HotplugNotices::arrived(const UsbDeviceFacts& device) {
  std::vector<Notice> notices;
  auto paths = pathsOf(device);
  for (const std::string& path : paths)
    notices.emplace_back(DeviceChangeWatcher::Change::Arrival, path);
  if (!paths.empty()) known_[device.address] = std::move(paths);
  return notices;
}

std::vector<HotplugNotices::Notice> HotplugNotices::left(const UsbDeviceFacts& device) {
  std::vector<Notice> notices;
  auto paths = pathsOf(device);
  auto known = known_.find(device.address);
  if (paths.empty() && known != known_.end()) {
    // The device was seen before: it is named as it was then, whatever the
    // library can still tell of it.
    if (device.vendorId == 0 || isBoardProduct(device.vendorId, device.productId))
      paths = known->second;
  }
  if (known != known_.end()) known_.erase(known);
  for (const std::string& path : paths)
    notices.emplace_back(DeviceChangeWatcher::Change::RemoveComplete, path);
  return notices;
}

}  // namespace platform::usb
