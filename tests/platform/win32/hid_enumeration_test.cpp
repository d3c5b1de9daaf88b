// The system's own HID stack (under Wine: Wine's, with no board plugged).
#include <gtest/gtest.h>
#include <platform/hid.h>
#include <platform/last_error.h>

#include "controller/device_list.h"
#include "controller/vantrix_ids.h"

namespace {

TEST(SystemHidStack, ListsItsInterfacesWithoutAnyVantrixBoard) {
  platform::setLastError(platform::kErrorInvalidParameter);
  const auto interfaces = platform::enumerateHidInterfaces();
  EXPECT_EQ(platform::lastError(), platform::kErrorSuccess);
  for (const auto& info : interfaces) {
    EXPECT_FALSE(isVantrixBoard(info.vendorId, info.productId)) << info.path;
    EXPECT_FALSE(info.path.empty());
  }
}

TEST(SystemHidStack, TheDeviceListOpensNoBoardAndSaysSo) {
  EXPECT_EQ(iowOpenDevices(), nullptr);
  EXPECT_EQ(platform::lastError(), platform::kErrorDevNotExist);
  EXPECT_EQ(iowDeviceCount(), 0u);
  iowCloseDevices(nullptr);
}

TEST(SystemHidStack, APathThatIsNoDeviceDoesNotOpen) {
  const std::string path =
      "\\\\?\\HID#VID_1FD1&PID_03E8&MI_00#7&0&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  EXPECT_FALSE(platform::HidDevice::open(path, platform::HidDevice::Access::Read));
  EXPECT_FALSE(platform::HidDevice::open(path, platform::HidDevice::Access::Write));
}

}  // namespace
