#pragma once
// The HID, device-setup and configuration-manager services, loaded by name
// from hid.dll, setupapi.dll and cfgmgr32.dll when boards are looked for, so
// that a program that never looks does not depend on them.
#include <windows.h>
// windows.h first: the service headers below build on its types.
#include <cfgmgr32.h>
#include <hidsdi.h>
#include <setupapi.h>

#include <memory>
#include <optional>
#include <string>

namespace platform::win32 {

// The libraries by name; tests name others to see a load fail.
struct HidLibraryNames {
  std::wstring hid = L"hid.dll";
  std::wstring configManager = L"cfgmgr32.dll";
  std::wstring setup = L"setupapi.dll";
};

class HidServices {
 public:
  // Null unless all three libraries and every entry point below are there;
  // then whatever was loaded is freed again, the last error
  // (platform/last_error.h) is the failed load's and one debugger-output
  // line names the library or entry point that is missing.
  static std::unique_ptr<HidServices> load(const HidLibraryNames& names = {});
  ~HidServices();
  HidServices(const HidServices&) = delete;
  HidServices& operator=(const HidServices&) = delete;

  // hid.dll
  decltype(&::HidD_GetAttributes) getAttributes = nullptr;
  decltype(&::HidD_GetHidGuid) getHidGuid = nullptr;
  decltype(&::HidD_GetPreparsedData) getPreparsedData = nullptr;
  decltype(&::HidP_GetCaps) getCaps = nullptr;
  decltype(&::HidD_FreePreparsedData) freePreparsedData = nullptr;
  // Bound with the others, so that a hid.dll without it is refused alike.
  decltype(&::HidD_GetNumInputBuffers) getNumInputBuffers = nullptr;
  decltype(&::HidD_SetNumInputBuffers) setNumInputBuffers = nullptr;
  decltype(&::HidD_GetSerialNumberString) getSerialNumberString = nullptr;
  decltype(&::HidD_GetIndexedString) getIndexedString = nullptr;
  // cfgmgr32.dll
  decltype(&::CM_Get_Parent) getParent = nullptr;
  // setupapi.dll
  decltype(&::SetupDiGetClassDevsW) getClassDevs = nullptr;
  decltype(&::SetupDiEnumDeviceInterfaces) enumDeviceInterfaces = nullptr;
  decltype(&::SetupDiGetDeviceInterfaceDetailW) getDeviceInterfaceDetail = nullptr;
  decltype(&::SetupDiDestroyDeviceInfoList) destroyDeviceInfoList = nullptr;

  // The HID device-interface class.
  GUID hidClass() const;
  // The capability record of an open interface (its report lengths); none
  // when the driver gives none.
  std::optional<HIDP_CAPS> capabilities(HANDLE device) const;

 private:
  HidServices() = default;
  HMODULE hid_ = nullptr;
  HMODULE configManager_ = nullptr;
  HMODULE setup_ = nullptr;
};

}  // namespace platform::win32
