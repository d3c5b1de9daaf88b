#include <controller/device_list.h>
#include <controller/transport.h>
#include <platform/last_error.h>

#include <set>

#include "board_fixture.h"

namespace controller_test {
namespace {

using lab::BoardSetup;

std::string serialOf(IowHandle handle) {
  char16_t buffer[9] = {};
  iowSerialNumber(handle, buffer);
  return std::string(buffer, buffer + std::char_traits<char16_t>::length(buffer));
}

using DiscoveryTest = BoardTest;

TEST_F(DiscoveryTest, BoardsAreFoundAndGroupedWithTheirIds) {
  BoardSetup second = BoardSetup::blank("0000B002");
  second.vendorId = 0x07C0;
  second.productId = 0x1583;
  ASSERT_TRUE(rack.plug(BoardSetup::blank("0000B001")));
  ASSERT_TRUE(rack.plug(second));

  IowHandle first = iowOpenDevices();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(platform::lastError(), platform::kErrorSuccess);
  ASSERT_EQ(iowDeviceCount(), 2u);
  EXPECT_EQ(iowDeviceHandle(1), first);
  std::set<std::pair<std::string, uint16_t>> found;
  for (uint32_t index = 1; index <= 2; ++index) {
    IowHandle handle = iowDeviceHandle(index);
    EXPECT_TRUE(iowIsValid(handle));
    found.insert({serialOf(handle), iowProductId(handle)});
  }
  EXPECT_EQ(found, (std::set<std::pair<std::string, uint16_t>>{{"0000B001", 0x03E8},
                                                               {"0000B002", 0x1583}}));

  for (uint32_t index : {0u, 3u}) {
    platform::setLastError(0);
    EXPECT_EQ(iowDeviceHandle(index), nullptr) << index;
    EXPECT_EQ(platform::lastError(), platform::kErrorInvalidParameter);
  }
}

TEST_F(DiscoveryTest, OnlyBoardsWithOnePinAndOneSpecialModeInterfaceAreKept) {
  auto broken = [](const char* serial, auto change) {
    BoardSetup setup = BoardSetup::blank(serial);
    change(setup);
    return setup;
  };
  ASSERT_TRUE(rack.plug(BoardSetup::blank("0000C000")));
  ASSERT_TRUE(rack.plug(broken("0000C001", [](BoardSetup& s) { s.matchingInterfaces = 1; })));
  // Its special-mode interface is there, its pin interface not yet.
  ASSERT_TRUE(rack.plug(broken("0000C002", [](BoardSetup& s) {
    s.interfaceOrder = BoardSetup::InterfaceOrder::SpecialFirst;
  })));
  ASSERT_TRUE(rack.plug(broken("0000C003", [](BoardSetup& s) { s.matchingInterfaces = 3; })));
  ASSERT_TRUE(rack.plug(broken("0000C004", [](BoardSetup& s) { s.vendorId = 0x046D; })));
  ASSERT_TRUE(rack.plug(broken("0000C005", [](BoardSetup& s) { s.productId = 0xC52B; })));
  // Both outputs 8 bytes long: no pin interface to drive.
  ASSERT_TRUE(rack.plug(broken("0000C006", [](BoardSetup& s) { s.pinOutputLength = 8; })));

  ASSERT_NE(iowOpenDevices(), nullptr);
  ASSERT_EQ(iowDeviceCount(), 1u);
  EXPECT_EQ(serialOf(iowDeviceHandle(1)), "0000C000");
}

TEST_F(DiscoveryTest, ABoardWithoutASerialOfItsOwnHasAnEmptyOne) {
  BoardSetup echo = BoardSetup::blank("0000D001");
  echo.serialEqualsIndexedString0 = true;
  BoardSetup mute = BoardSetup::blank("0000D002");
  mute.answersSerialNumber = false;
  ASSERT_TRUE(rack.plug(echo));
  ASSERT_TRUE(rack.plug(mute));
  ASSERT_NE(iowOpenDevices(), nullptr);
  ASSERT_EQ(iowDeviceCount(), 2u);
  for (uint32_t index = 1; index <= 2; ++index) {
    char16_t buffer[9] = {u'x'};
    EXPECT_EQ(iowSerialNumber(iowDeviceHandle(index), buffer), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(platform::lastError(), platform::kErrorSuccess);
  }
}

// The slot of an interface follows its output report length, whatever
// order the system lists the interfaces in.
TEST_F(DiscoveryTest, ReportsOfEachInterfaceReachTheBoardsMatchingInterface) {
  ASSERT_TRUE(rack.plug(BoardSetup::blank("0000E001")));
  IowHandle handle = iowOpenDevices();
  ASSERT_NE(handle, nullptr);
  auto port = report({0x00, 1, 2, 3, 4}, 5);
  auto led = report({0x14, 1});
  EXPECT_EQ(iowWrite(handle, 0, port.data(), 5), 5);
  EXPECT_EQ(iowWrite(handle, 1, led.data(), 8), 8);
  EXPECT_EQ(reportsTaken("0000E001", 0), (std::vector<std::vector<uint8_t>>{port}));
  EXPECT_EQ(reportsTaken("0000E001", 1), (std::vector<std::vector<uint8_t>>{led}));
  EXPECT_EQ(rack.view("0000E001")->ports, (std::array<uint8_t, 4>{1, 2, 3, 4}));
}

TEST_F(DiscoveryTest, WithoutBoardsOrAfterTeardownEveryHandleIsUnknown) {
  platform::setLastError(0);
  EXPECT_EQ(iowOpenDevices(), nullptr);
  EXPECT_EQ(iowDeviceCount(), 0u);
  EXPECT_EQ(iowDeviceHandle(1), nullptr);
  EXPECT_EQ(platform::lastError(), platform::kErrorInvalidParameter);

  ASSERT_TRUE(rack.plug(BoardSetup::blank("0000F001")));
  IowHandle handle = iowOpenDevices();
  ASSERT_NE(handle, nullptr);
  iowCloseDevices(nullptr);  // whatever handle: the whole list goes
  EXPECT_EQ(iowDeviceCount(), 0u);
  EXPECT_FALSE(iowIsValid(handle));
  char16_t buffer[9];
  EXPECT_EQ(iowProductId(handle), 0);
  EXPECT_EQ(platform::lastError(), platform::kErrorInvalidParameter);
  EXPECT_EQ(iowSerialNumber(handle, buffer), 0);
  EXPECT_EQ(platform::lastError(), platform::kErrorInvalidParameter);
  EXPECT_EQ(iowSerialNumber(nullptr, buffer), 0);
}

}  // namespace
}  // namespace controller_test
