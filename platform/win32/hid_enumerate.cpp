// Enumeration of the HID interfaces present, through the device-setup
// service, each probed through hid.dll.
#include "platform/hid.h"
#include "platform/last_error.h"
#include "win32/hid_interface_facts.h"
#include "win32/hid_services.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <vector>

namespace platform {
namespace {

using win32::HidInterfaceFacts;
using win32::HidServices;

// Longest HID string: 126 UTF-16 units and a terminator.
constexpr size_t kStringCapacity = 127;

class ProbeHandle {
 public:
  // Read and write access first; an interface the system keeps for itself
  // (a keyboard, a mouse) still answers its questions without access.
  explicit ProbeHandle(const wchar_t* path) {
    for (DWORD access : {GENERIC_READ | GENERIC_WRITE, DWORD{0}}) {
      handle_ = CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
      if (handle_ != INVALID_HANDLE_VALUE) return;
    }
  }
  ~ProbeHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  ProbeHandle(const ProbeHandle&) = delete;
  ProbeHandle& operator=(const ProbeHandle&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

void readStrings(const HidServices& hid, HANDLE device, HidInterfaceFacts& facts) {
  wchar_t buffer[kStringCapacity] = {};
  // The sizes leave the last unit as a terminator.
  const ULONG bytes = sizeof buffer - sizeof buffer[0];
  if (!hid.getSerialNumberString(device, buffer, bytes)) return;
  facts.serialNumber = win32::hidStringOf(buffer, kStringCapacity);
  std::fill(std::begin(buffer), std::end(buffer), L'\0');
  if (hid.getIndexedString(device, 0, buffer, bytes))
    facts.indexedString0 = win32::hidStringOf(buffer, kStringCapacity);
}

// The node both interfaces of one USB device share: the interface's node
// hangs below the USB interface, which hangs below the device.
DWORD groupingNodeOf(const HidServices& hid, DEVINST node) {
  DEVINST parent = 0, grandparent = 0;
  if (hid.getParent(&parent, node, 0) != CR_SUCCESS) return 0;
  if (hid.getParent(&grandparent, parent, 0) != CR_SUCCESS) return 0;
  return grandparent;
}

std::optional<HidInterfaceInfo> probe(const HidServices& hid, const wchar_t* path, DEVINST node) {
  ProbeHandle device(path);
  if (!device.valid()) return std::nullopt;
  HidInterfaceFacts facts;
  facts.path = path;
  facts.attributes.Size = sizeof facts.attributes;
  if (!hid.getAttributes(device.get(), &facts.attributes)) return std::nullopt;
  facts.capabilities = hid.capabilities(device.get());
  readStrings(hid, device.get(), facts);
  facts.deviceNode = node;
  facts.groupingNode = groupingNodeOf(hid, node);
  return win32::interfaceInfoOf(facts);
}

// The path and device node of one member of the set; nothing when the
// member went away meanwhile.
std::optional<HidInterfaceInfo> probeMember(const HidServices& hid, HDEVINFO set,
                                            SP_DEVICE_INTERFACE_DATA& member) {
  DWORD required = 0;
  hid.getDeviceInterfaceDetail(set, &member, nullptr, 0, &required, nullptr);
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return std::nullopt;
  // Whole DWORDs, so the record's fields are aligned.
  std::vector<DWORD> storage((required + sizeof(DWORD) - 1) / sizeof(DWORD));
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  SP_DEVINFO_DATA node{};
  node.cbSize = sizeof node;
  if (!hid.getDeviceInterfaceDetail(set, &member, detail, required, nullptr, &node))
    return std::nullopt;
  return probe(hid, detail->DevicePath, node.DevInst);
}

}  // namespace

std::vector<HidInterfaceInfo> enumerateHidInterfaces() {
  auto hid = HidServices::load();
  if (!hid) return {};  // the load left its error
  std::vector<HidInterfaceInfo> interfaces;
  GUID hidClass = hid->hidClass();
  HDEVINFO set =
      hid->getClassDevs(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  // No set: nothing is present to be listed.
  if (set != INVALID_HANDLE_VALUE) {
    SP_DEVICE_INTERFACE_DATA member{};
    member.cbSize = sizeof member;
    for (DWORD index = 0; hid->enumDeviceInterfaces(set, nullptr, &hidClass, index, &member);
         ++index)
      if (auto info = probeMember(*hid, set, member)) interfaces.push_back(std::move(*info));
    hid->destroyDeviceInfoList(set);
  }
  setLastError(kErrorSuccess);
  return interfaces;
}

}  // namespace platform
