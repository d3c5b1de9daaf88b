#include "win32/hid_services.h"

#include "platform/last_error.h"
#include "platform/user_notice.h"
#include "win32/wide_text.h"

namespace platform::win32 {
namespace {

// Says what is missing on the debugger output and leaves the load's error.
void reportMissing(const std::string& what, DWORD error) {
  debugOutput("Kestrix: the HID services are not available: " + what + " (error " +
              std::to_string(error) + ")\n");
  setLastError(error);
}

HMODULE loadLibrary(const std::wstring& name) {
  HMODULE library = LoadLibraryW(name.c_str());
  if (!library) reportMissing("cannot load " + narrow(name), GetLastError());
  return library;
}

template <typename Function>
bool bind(HMODULE library, const std::wstring& libraryName, const char* name,
          Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  if (!function) reportMissing(narrow(libraryName) + " has no " + name, GetLastError());
  return function != nullptr;
}

}  // namespace

std::unique_ptr<HidServices> HidServices::load(const HidLibraryNames& names) {
  std::unique_ptr<HidServices> services(new HidServices);
  HidServices& s = *services;
  // The destructor frees whatever was loaded when one step fails.
  if (!(s.hid_ = loadLibrary(names.hid))) return nullptr;
  if (!(s.configManager_ = loadLibrary(names.configManager))) return nullptr;
  if (!(s.setup_ = loadLibrary(names.setup))) return nullptr;
  const std::wstring& hid = names.hid;
  const std::wstring& cm = names.configManager;
  const std::wstring& setup = names.setup;
  const bool bound =
      bind(s.hid_, hid, "HidD_GetAttributes", s.getAttributes) &&
      bind(s.hid_, hid, "HidD_GetHidGuid", s.getHidGuid) &&
      bind(s.hid_, hid, "HidD_GetPreparsedData", s.getPreparsedData) &&
      bind(s.hid_, hid, "HidP_GetCaps", s.getCaps) &&
      bind(s.hid_, hid, "HidD_FreePreparsedData", s.freePreparsedData) &&
      bind(s.hid_, hid, "HidD_GetNumInputBuffers", s.getNumInputBuffers) &&
      bind(s.hid_, hid, "HidD_SetNumInputBuffers", s.setNumInputBuffers) &&
      bind(s.hid_, hid, "HidD_GetSerialNumberString", s.getSerialNumberString) &&
      bind(s.hid_, hid, "HidD_GetIndexedString", s.getIndexedString) &&
      bind(s.configManager_, cm, "CM_Get_Parent", s.getParent) &&
      bind(s.setup_, setup, "SetupDiGetClassDevsW", s.getClassDevs) &&
      bind(s.setup_, setup, "SetupDiEnumDeviceInterfaces", s.enumDeviceInterfaces) &&
      bind(s.setup_, setup, "SetupDiGetDeviceInterfaceDetailW", s.getDeviceInterfaceDetail) &&
      bind(s.setup_, setup, "SetupDiDestroyDeviceInfoList", s.destroyDeviceInfoList);
  if (!bound) return nullptr;
  return services;
}

HidServices::~HidServices() {
  // Each library is freed once, after the last use of its functions.
  for (HMODULE library : {setup_, configManager_, hid_})
    if (library) FreeLibrary(library);
}

GUID HidServices::hidClass() const {
  GUID guid{};
  getHidGuid(&guid);
  return guid;
}

std::optional<HIDP_CAPS> HidServices::capabilities(HANDLE device) const {
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (!getPreparsedData(device, &preparsed)) return std::nullopt;
  HIDP_CAPS caps{};
  const bool read = getCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
  freePreparsedData(preparsed);
  if (!read) return std::nullopt;
  return caps;
}

}  // namespace platform::win32
