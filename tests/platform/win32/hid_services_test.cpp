// Loading the HID services: all libraries and entry points, or none, and a
// clear word on what is missing.
#include <gtest/gtest.h>
#include <platform/last_error.h>
#include <platform/user_notice.h>

#include <string>
#include <vector>

#include "win32/hid_services.h"

namespace {

using platform::win32::HidLibraryNames;
using platform::win32::HidServices;

class HidServicesLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setNoticeSink([this](platform::NoticeKind kind, const std::string&,
                                   const std::string& text) {
      if (kind == platform::NoticeKind::DebugOutput) debugLines_.push_back(text);
    });
  }
  void TearDown() override { platform::setNoticeSink({}); }

  std::vector<std::string> debugLines_;
};

TEST_F(HidServicesLoad, TheSystemsLibrariesGiveEveryEntryPoint) {
  platform::setLastError(platform::kErrorInvalidParameter);
  auto services = HidServices::load();
  ASSERT_TRUE(services);
  EXPECT_TRUE(debugLines_.empty());
  // The HID device-interface class of every Windows.
  const GUID hid = {0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
  EXPECT_TRUE(IsEqualGUID(services->hidClass(), hid));
}

TEST_F(HidServicesLoad, AMissingLibraryOrEntryPointLoadsNothingAndSaysWhich) {
  struct Case {
    HidLibraryNames names;
    uint32_t error;
    std::string line;
  };
  HidLibraryNames noHid, noSetup, foreignHid, foreignConfigManager;
  noHid.hid = L"kestrix-no-such-hid.dll";
  noSetup.setup = L"kestrix-no-such-setupapi.dll";
  // Real libraries without the entry points.
  foreignHid.hid = L"kernel32.dll";
  foreignConfigManager.configManager = L"hid.dll";
  const Case cases[] = {
      {noHid, ERROR_MOD_NOT_FOUND, "cannot load kestrix-no-such-hid.dll"},
      {noSetup, ERROR_MOD_NOT_FOUND, "cannot load kestrix-no-such-setupapi.dll"},
      {foreignHid, ERROR_PROC_NOT_FOUND, "kernel32.dll has no HidD_GetAttributes"},
      {foreignConfigManager, ERROR_PROC_NOT_FOUND, "hid.dll has no CM_Get_Parent"},
  };
  for (const Case& c : cases) {
    debugLines_.clear();
    EXPECT_FALSE(HidServices::load(c.names)) << c.line;
    EXPECT_EQ(platform::lastError(), c.error) << c.line;
    ASSERT_EQ(debugLines_.size(), 1u) << c.line;
    EXPECT_NE(debugLines_[0].find(c.line), std::string::npos) << debugLines_[0];
  }
}

}  // namespace
