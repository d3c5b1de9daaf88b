// The choice between the lab's boards and real USB boards, and the HID
// service's entry points, which follow it.
#include "posix/hid_backend.h"

#include <sys/stat.h>

#include "platform/hid_lab.h"
#include "platform/runtime_dir.h"
#include "platform/system_facts.h"

namespace platform {
namespace posix {

HidBackend hidBackendFor(const std::optional<std::string>& setting, bool labFolderExists) {
  if (setting == "lab") return HidBackend::Lab;
  if (setting == "usb") return HidBackend::Usb;
  return labFolderExists ? HidBackend::Lab : HidBackend::Usb;
}

HidBackend chosenHidBackend() {
  struct stat status {};
  std::string labFolder = hidlab::folderIn(runtimeDir());
  bool labFolderExists = ::stat(labFolder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
  return hidBackendFor(environmentValue(std::string(kHidBackendVariable)), labFolderExists);
}

}  // namespace posix

std::vector<HidInterfaceInfo> enumerateHidInterfaces() {
  return posix::chosenHidBackend() == posix::HidBackend::Lab ? posix::enumerateLabInterfaces()
                                                              : posix::enumerateUsbInterfaces();
}

std::unique_ptr<HidDevice> HidDevice::open(const std::string& path, Access access) {
  return posix::chosenHidBackend() == posix::HidBackend::Lab ? posix::openLabInterface(path, access)
                                                              : posix::openUsbInterface(path, access);
}

std::unique_ptr<DeviceChangeWatcher> DeviceChangeWatcher::start(Callback callback, void* user) {
  if (!callback) return nullptr;
  return posix::chosenHidBackend() == posix::HidBackend::Lab
             ? posix::watchLabInterfaces(callback, user)
             : posix::watchUsbInterfaces(callback, user);
}

}  // namespace platform
