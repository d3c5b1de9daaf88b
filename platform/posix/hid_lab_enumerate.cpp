// Enumeration of the lab's emulated boards: the descriptors in <runtime dir>/hid.
#include "platform/hid_lab.h"
#include "platform/last_error.h"
#include "platform/runtime_dir.h"

#include "posix/hid_backend.h"

namespace platform::posix {

std::vector<HidInterfaceInfo> enumerateLabInterfaces() {
  std::vector<HidInterfaceInfo> interfaces;
  for (const hidlab::Descriptor& descriptor :
       hidlab::readDescriptors(hidlab::folderIn(runtimeDir())))
    interfaces.push_back(hidlab::toInterfaceInfo(descriptor));
  setLastError(kErrorSuccess);  // an empty or missing folder lists nothing
  return interfaces;
}

}  // namespace platform::posix
