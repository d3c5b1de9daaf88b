// Enumeration of HID interfaces: on Linux today, the lab's emulated boards.
#include "platform/hid.h"
#include "platform/hid_lab.h"
#include "platform/last_error.h"
#include "platform/runtime_dir.h"

namespace platform {

std::vector<HidInterfaceInfo> enumerateHidInterfaces() {
  std::vector<HidInterfaceInfo> interfaces;
  for (const hidlab::Descriptor& descriptor :
       hidlab::readDescriptors(hidlab::folderIn(runtimeDir())))
    interfaces.push_back(hidlab::toInterfaceInfo(descriptor));
  setLastError(kErrorSuccess);  // an empty or missing folder lists nothing
  return interfaces;
}

}  // namespace platform
