#include <controller/transport.h>
#include <platform/last_error.h>

#include <future>
#include <thread>

#include "board_fixture.h"
#include "transport_internal.h"

namespace controller_test {
namespace {

constexpr char kSerial[] = "00007001";

class TransportTest : public BoardTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(rack.plug(lab::BoardSetup::blank(kSerial)));
    handle = iowOpenDevices();
    ASSERT_NE(handle, nullptr);
  }
  // Sends numbered reports (id 0x04, number in bytes 1-2) and waits until
  // the interface's reader holds `expected` of them.
  void sendNumbered(int first, int last, size_t expected) {
    for (int n = first; n <= last; ++n)
      ASSERT_TRUE(rack.sendInputReport(kSerial, 1, report({0x04, uint8_t(n), uint8_t(n >> 8)})));
    ASSERT_TRUE(waitUntil([&] { return queuedReportCount(handle, 1) == expected; }));
  }
  static int numberOf(const uint8_t* report) { return report[1] | report[2] << 8; }

  IowHandle handle = nullptr;
};

TEST_F(TransportTest, UnreadReportsKeepTheNewest128OldestFirst) {
  sendNumbered(1, 130, 128);
  EXPECT_TRUE(iowSetReadTimeout(handle, 0));
  uint8_t buffer[8 * 128];
  ASSERT_EQ(iowRead(handle, 1, buffer, sizeof buffer), static_cast<int>(sizeof buffer));
  for (int i = 0; i < 128; ++i) ASSERT_EQ(numberOf(buffer + 8 * i), i + 3) << i;
  EXPECT_EQ(iowRead(handle, 1, buffer, 8), 0);
  EXPECT_EQ(platform::lastError(), platform::kErrorTimeout);
}

TEST_F(TransportTest, AReadDeliversTheWholeReportsThatCameWithinTheTimeout) {
  ASSERT_TRUE(iowSetReadTimeout(handle, 100));
  uint8_t buffer[16] = {};
  sendNumbered(1, 1, 1);
  EXPECT_EQ(iowRead(handle, 1, buffer, 16), 8);
  EXPECT_EQ(numberOf(buffer), 1);
  EXPECT_EQ(platform::lastError(), platform::kErrorTimeout);

  sendNumbered(2, 3, 2);
  EXPECT_EQ(iowRead(handle, 1, buffer, 16), 16);
  EXPECT_EQ(platform::lastError(), platform::kErrorSuccess);
  EXPECT_EQ(numberOf(buffer), 2);
  EXPECT_EQ(numberOf(buffer + 8), 3);
}

// A packet longer than the interface's reports is dropped on its way in;
// it must not keep the reports behind it from coming.
TEST_F(TransportTest, AnOverLongPacketDoesNotStopTheReportsBehindIt) {
  ASSERT_TRUE(rack.sendInputReport(kSerial, 1, report({0x04, 0xEE}, 9)));
  sendNumbered(7, 7, 1);
  ASSERT_TRUE(iowSetReadTimeout(handle, 0));
  uint8_t buffer[8];
  ASSERT_EQ(iowRead(handle, 1, buffer, 8), 8);
  EXPECT_EQ(numberOf(buffer), 7);
}

TEST_F(TransportTest, ALengthBelowOneReportReturnsAtOnce) {
  // The read timeout is -1, so any wait would last for ever.
  uint8_t buffer[8];
  EXPECT_EQ(iowRead(handle, 1, buffer, 7), 0);
  EXPECT_EQ(iowRead(handle, 0, buffer, 4), 0);
  EXPECT_EQ(iowRead(handle, 1, nullptr, 0), 0);
}

TEST_F(TransportTest, BadArgumentsAreInvalidParameters) {
  uint8_t buffer[8] = {};
  int dummy = 0;
  struct Case {
    const char* what;
    IowHandle handle;
    uint32_t interfaceNumber;
    uint8_t* buffer;
  };
  const Case cases[] = {
      {"unknown handle", &dummy, 1, buffer},
      {"null handle", nullptr, 1, buffer},
      {"interface 2", handle, 2, buffer},
      {"no buffer", handle, 1, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::setLastError(0);
    EXPECT_EQ(iowRead(c.handle, c.interfaceNumber, c.buffer, 8), 0);
    EXPECT_EQ(platform::lastError(), platform::kErrorInvalidParameter);
    platform::setLastError(0);
    EXPECT_EQ(iowWrite(c.handle, c.interfaceNumber, c.buffer, 8), 0);
    EXPECT_EQ(platform::lastError(), platform::kErrorInvalidParameter);
  }
  EXPECT_FALSE(iowSetReadTimeout(&dummy, 10));
}

TEST_F(TransportTest, WritesSendEveryWholeReport) {
  auto two = report({0x14, 1});
  auto row = report({0x15, 0, 0xFF});
  two.insert(two.end(), row.begin(), row.end());
  two.push_back(0x99);  // not a whole report: not sent
  EXPECT_EQ(iowWrite(handle, 1, two.data(), static_cast<uint32_t>(two.size())), 16);
  EXPECT_EQ(platform::lastError(), platform::kErrorSuccess);
  EXPECT_EQ(reportsTaken(kSerial, 1).size(), 2u);
  EXPECT_EQ(rack.view(kSerial)->matrix[0][0], 0xFF);
}

TEST_F(TransportTest, AReadWithoutTimeoutEndsWhenTheListIsTornDown) {
  auto read = std::async(std::launch::async, [&] {
    uint8_t buffer[8];
    int count = iowRead(handle, 1, buffer, 8);
    return std::make_pair(count, platform::lastError());
  });
  iowCloseDevices(handle);
  ASSERT_EQ(read.wait_for(kDeadline), std::future_status::ready);
  auto [count, error] = read.get();
  EXPECT_EQ(count, 0);
  // Torn down while it waited, or before it began.
  EXPECT_TRUE(error == platform::kErrorTimeout || error == platform::kErrorInvalidParameter) << error;
}

// A write that the board never takes ends when the board is pulled or the
// list is torn down, never later.
TEST_F(TransportTest, AStalledWriteEndsWithTheBoardOrTheList) {
  struct Case {
    const char* what;
    std::function<void()> end;
    uint32_t error;
  };
  const Case cases[] = {
      {"list torn down", [&] { iowCloseDevices(nullptr); }, platform::kErrorTimeout},
      {"board unplugged", [&] { rack.unplug(kSerial); }, platform::kErrorDevNotExist},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!rack.view(kSerial)) {
      ASSERT_TRUE(rack.plug(lab::BoardSetup::blank(kSerial)));
    }
    handle = iowOpenDevices();
    ASSERT_NE(handle, nullptr);
    lab::BoardFaults stall;
    stall.stallWrites = true;
    ASSERT_TRUE(rack.setFaults(kSerial, stall));
    auto write = std::async(std::launch::async, [&] {
      auto led = report({0x14, 1});
      int count = iowWrite(handle, 1, led.data(), 8);
      return std::make_pair(count, platform::lastError());
    });
    // The write has reached the board's socket and waits there.
    ASSERT_EQ(write.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    c.end();
    ASSERT_EQ(write.wait_for(kDeadline), std::future_status::ready);
    auto [count, error] = write.get();
    EXPECT_EQ(count, 0);
    if (std::string(c.what) == "board unplugged")
      EXPECT_EQ(error, c.error);
    else  // torn down while it waited, or before it began
      EXPECT_TRUE(error == c.error || error == platform::kErrorInvalidParameter) << error;
    iowCloseDevices(nullptr);
  }
}

}  // namespace
}  // namespace controller_test
