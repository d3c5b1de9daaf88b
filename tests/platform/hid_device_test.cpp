// Handles of an HID interface: queues per read handle, timeouts, cancels,
// stalled writes, faults and unplugging, as a controller's threads meet them.
#include "hid_fixture.h"

#include <future>
#include <thread>

namespace hidtest {
namespace {

using Result = HidDevice::Result;

class HidDeviceTest : public OpenBoardFixture {
 protected:
  // Runs a wait on another thread and returns how it ended.
  template <typename Wait>
  std::future<Result> inBackground(Wait wait) {
    return std::async(std::launch::async, std::move(wait));
  }
  // Cancels until the waiting thread has ended: a cancel while nobody waits
  // is forgotten, and the thread may not wait yet.
  template <typename Cancel>
  Result cancelUntilDone(std::future<Result>& waiting, Cancel cancel) {
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (waiting.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready &&
           std::chrono::steady_clock::now() < deadline)
      cancel();
    return waiting.get();
  }
  Result readOnce(HidDevice& device, int timeoutMs) {
    uint8_t buffer[8];
    return device.readReport(buffer, sizeof buffer, timeoutMs);
  }
  Result writeOnce(HidDevice& device, const Bytes& bytes, int timeoutMs) {
    return device.writeReport(bytes.data(), bytes.size(), timeoutMs);
  }
};

TEST_F(HidDeviceTest, EveryReadHandleGetsEveryReportSinceItOpened) {
  auto secondIn = open(kSerial, lab::kSpecialInterface, Access::Read);
  ASSERT_TRUE(secondIn);
  ASSERT_TRUE(special({0x18, 1}));
  ASSERT_TRUE(rack.press(kSerial, 3));
  auto lateIn = open(kSerial, lab::kSpecialInterface, Access::Read);
  ASSERT_TRUE(lateIn);
  ASSERT_TRUE(rack.press(kSerial, 4));
  for (HidDevice* reader : {specialIn.get(), secondIn.get()}) {
    EXPECT_EQ(next(*reader), report({0x19, 0x04}, 8));
    EXPECT_EQ(next(*reader), report({0x1A}, 8));
    EXPECT_EQ(next(*reader), report({0x19, 0x0C}, 8));
    EXPECT_EQ(next(*reader), report({0x1A}, 8));
  }
  EXPECT_EQ(next(*lateIn), report({0x19, 0x0C}, 8));
  EXPECT_EQ(rack.view(kSerial)->readHandles, (std::vector<int>{0, 3}));
  EXPECT_EQ(rack.view(kSerial)->writeHandles, (std::vector<int>{1, 1}));
  lateIn.reset();
  EXPECT_TRUE(rack.waitUntil([&] { return rack.view(kSerial)->readHandles[1] == 2; }, kPatience));
}

TEST_F(HidDeviceTest, ReadsEndWithTimeoutOrFailAsTheirHandleDecides) {
  EXPECT_EQ(readOnce(*specialIn, 0).status, Status::Timeout);
  EXPECT_EQ(readOnce(*specialIn, 20).status, Status::Timeout);
  EXPECT_EQ(readOnce(*specialOut, 0).status, Status::Failed);  // a write handle
  EXPECT_EQ(writeOnce(*specialIn, report({0x14}, 8), 0).status, Status::Failed);

}

// A packet longer than the buffer is no report the reader can take: it is
// dropped, and the reports behind it still come.
TEST_F(HidDeviceTest, AnOverLongPacketIsDroppedAndReadingGoesOn) {
  for (size_t length : {9, 64, 4096})
    ASSERT_TRUE(rack.sendInputReport(kSerial, lab::kSpecialInterface, report({0x42}, length)));
  ASSERT_TRUE(rack.sendInputReport(kSerial, lab::kSpecialInterface, report({0x43}, 8)));
  uint8_t buffer[8] = {};
  auto result = specialIn->readReport(buffer, sizeof buffer, kPatienceMs);
  ASSERT_EQ(result.status, Status::Ok);
  EXPECT_EQ(Bytes(buffer, buffer + result.bytes), report({0x43}, 8));
  EXPECT_TRUE(nothingMoreCame());
}

TEST_F(HidDeviceTest, CancelReadEndsAWaitWithoutLimit) {
  auto waiting = inBackground([&] { return readOnce(*specialIn, -1); });
  EXPECT_EQ(cancelUntilDone(waiting, [&] { specialIn->cancelRead(); }).status, Status::Cancelled);
  // A cancel made while nobody waited does not end the next read.
  specialIn->cancelRead();
  EXPECT_EQ(readOnce(*specialIn, 0).status, Status::Timeout);
  EXPECT_TRUE(nothingMoreCame());
}

TEST_F(HidDeviceTest, StalledWritesEndByTimeoutOrCancelAndNeverArrive) {
  ASSERT_TRUE(rack.setFaults(kSerial, {.stallWrites = true}));
  EXPECT_EQ(writeOnce(*specialOut, report({0x14, 1}, 8), 50).status, Status::Timeout);
  auto waiting = inBackground([&] {
    return writeOnce(*pinOut, report({0x00, 1, 2, 3, 4}, 5), -1);
  });
  EXPECT_EQ(cancelUntilDone(waiting, [&] { pinOut->cancelWrite(); }).status, Status::Cancelled);
  specialOut->cancelRead();  // no effect on a write handle

  ASSERT_TRUE(rack.setFaults(kSerial, {}));
  ASSERT_TRUE(special({0x18, 2}));
  ASSERT_TRUE(write(*pinOut, report({0x00, 5, 6, 7, 8}, 5)));
  auto reports = rack.outputReports(kSerial);
  ASSERT_EQ(reports.size(), 2u) << "a report given up on reached the board";
  EXPECT_EQ(reports[0].bytes, report({0x18, 2}, 8));
  EXPECT_EQ(reports[1].bytes, report({0x00, 5, 6, 7, 8}, 5));
  EXPECT_FALSE(rack.view(kSerial)->ledMatrixOn);
}

// Reports written at once reach the board in order. A batch given up on
// (stalled, refused, or cut short by an unplug) tells how many were taken,
// and the handle stays in step for the next write.
TEST_F(HidDeviceTest, ABatchArrivesInOrderAndTellsHowManyWereTaken) {
  Bytes rows;
  for (uint8_t row = 0; row < 3; ++row) {
    Bytes one = report({0x15, row, 0xF0, row}, 8);
    rows.insert(rows.end(), one.begin(), one.end());
  }
  auto writeRows = [&](size_t length, int timeoutMs) {
    return specialOut->writeReports(rows.data(), length, rows.size() / length, timeoutMs);
  };
  ASSERT_TRUE(special({0x14, 1}));
  Result written = writeRows(8, kPatienceMs);
  EXPECT_EQ(written.status, Status::Ok);
  EXPECT_EQ(written.bytes, 24u);
  auto reports = rack.outputReports(kSerial);
  ASSERT_EQ(reports.size(), 4u);
  for (uint8_t row = 0; row < 3; ++row)
    EXPECT_EQ(reports[1 + row].bytes, report({0x15, row, 0xF0, row}, 8));
  EXPECT_EQ(rack.view(kSerial)->matrix[2][1], 2);

  ASSERT_TRUE(rack.setFaults(kSerial, {.stallWrites = true}));
  written = writeRows(8, 50);
  EXPECT_EQ(written.status, Status::Timeout);
  EXPECT_EQ(written.bytes, 0u);
  ASSERT_TRUE(rack.setFaults(kSerial, {}));
  written = writeRows(12, kPatienceMs);  // two reports of the wrong length
  EXPECT_EQ(written.status, Status::Failed);
  EXPECT_EQ(written.bytes, 0u);
  ASSERT_TRUE(special({0x18, 2}));
  reports = rack.outputReports(kSerial);
  ASSERT_EQ(reports.size(), 5u) << "a report given up on or refused reached the board";
  EXPECT_EQ(reports[4].bytes, report({0x18, 2}, 8));

  ASSERT_TRUE(rack.unplugMidTransfer(kSerial));
  written = writeRows(8, kPatienceMs);
  EXPECT_EQ(written.status, Status::Gone);
  EXPECT_EQ(written.bytes, 8u);
}

TEST_F(HidDeviceTest, UnplugEndsPendingReadsAndWritesAndLaterOnes) {
  std::string specialPath = pathOf(kSerial, lab::kSpecialInterface);
  ASSERT_TRUE(rack.setFaults(kSerial, {.stallWrites = true}));
  auto reading = inBackground([&] { return readOnce(*specialIn, -1); });
  auto writing = inBackground([&] { return writeOnce(*specialOut, report({0x14, 1}, 8), -1); });
  ASSERT_TRUE(rack.press(kSerial, 1));  // a report left unread when the board goes
  ASSERT_TRUE(rack.unplug(kSerial));

  EXPECT_EQ(reading.get().status, Status::Gone);
  EXPECT_EQ(writing.get().status, Status::Gone);
  EXPECT_EQ(readOnce(*specialIn, 0).status, Status::Gone);
  EXPECT_EQ(writeOnce(*pinOut, report({0x00}, 5), kPatienceMs).status, Status::Gone);
  EXPECT_FALSE(HidDevice::open(specialPath, Access::Read));
  EXPECT_TRUE(platform::enumerateHidInterfaces().empty());
  EXPECT_FALSE(rack.view(kSerial));
}

TEST_F(HidDeviceTest, UnplugMidTransferTakesTheReportAndAnswersNothing) {
  ASSERT_TRUE(rack.unplugMidTransfer(kSerial));
  EXPECT_TRUE(special({0xFF}));
  EXPECT_EQ(readOnce(*specialIn, kPatienceMs).status, Status::Gone);
  EXPECT_TRUE(platform::enumerateHidInterfaces().empty());
}

TEST_F(HidDeviceTest, DroppedAndLateAnswers) {
  ASSERT_TRUE(special({0x18, 1}));
  ASSERT_TRUE(rack.setFaults(kSerial, {.dropReplies = true}));
  ASSERT_TRUE(special({0xFF}));
  ASSERT_TRUE(special({0x19}));
  ASSERT_TRUE(rack.press(kSerial, 2));  // key changes still report
  EXPECT_EQ(next(), report({0x19, 0x02}, 8));
  EXPECT_EQ(next(), report({0x1A}, 8));

  // An answer held back does not overtake what comes meanwhile ...
  ASSERT_TRUE(rack.setFaults(kSerial, {.replyDelayMs = 3600 * 1000}));
  ASSERT_TRUE(special({0xFF}));
  ASSERT_TRUE(rack.release(kSerial, 2));
  EXPECT_EQ(next(), report({0x19}, 8));
  EXPECT_EQ(next(), report({0x1A}, 8));
  // ... and comes once its delay has passed.
  ASSERT_TRUE(rack.setFaults(kSerial, {.replyDelayMs = 20}));
  ASSERT_TRUE(write(*pinOut, report({0x00, 9, 9, 9, 9}, 5)));
  ASSERT_TRUE(special({0xFF}));
  EXPECT_EQ(next(), report({0xFF, 9, 9, 9, 9}, 8));
}

}  // namespace
}  // namespace hidtest
