// Enumeration of the lab's emulated boards: the descriptors in <runtime dir>/hid.
#include "platform/hid_lab.h"
#include "platform/runtime_dir.h"

#include "posix/hid_backend.h"

namespace platform::posix {

std::vector<HidInterfaceInfo> enumerateLabInterfaces() {
  std::vector<HidInterfaceInfo> interfaces;
  for (const hidlab::Descriptor& descriptor :
       hidlab::readDescriptors(hidlab::folderIn(runtimeDir())))
    interfaces.push_back(hidlab::toInterfaceInfo(descriptor));
  return interfaces;
}

}  // namespace platform::posix
