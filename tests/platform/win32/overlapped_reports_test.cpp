// Report I/O on an overlapped handle, with a message-mode named pipe
// standing in for a HID interface: the test holds the pipe's server end, as
// the device, and the reports object works on the client end.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "win32/overlapped_reports.h"

namespace {

using platform::HidDevice;
using platform::win32::OverlappedReports;
using platform::win32::statusOfIoError;
using Status = HidDevice::Status;

// Generous: a loaded two-core machine under Wine is slow.
constexpr int kLongWaitMs = 60000;
constexpr auto kLongWait = std::chrono::milliseconds(kLongWaitMs);
// Longest report of the stand-in device.
constexpr size_t kReportCapacity = 64;

class PipeDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    const std::wstring name = L"\\\\.\\pipe\\kestrix-hid-test-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(counter++);
    server_ = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX,
                               PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 4096,
                               4096, 0, nullptr);
    ASSERT_NE(server_, INVALID_HANDLE_VALUE);
    client_ = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(client_, INVALID_HANDLE_VALUE);
    DWORD mode = PIPE_READMODE_MESSAGE;
    ASSERT_TRUE(SetNamedPipeHandleState(client_, &mode, nullptr, nullptr));
    reports_ = std::make_unique<OverlappedReports>(client_, kReportCapacity);
    ASSERT_TRUE(reports_->valid());
  }
  void TearDown() override {
    reports_.reset();
    if (client_ != INVALID_HANDLE_VALUE) CloseHandle(client_);
    closeServer();
  }

  // The device sends one input report.
  void send(const std::vector<uint8_t>& report) {
    DWORD wrote = 0;
    ASSERT_TRUE(WriteFile(server_, report.data(), static_cast<DWORD>(report.size()), &wrote,
                          nullptr));
    ASSERT_EQ(wrote, report.size());
  }
  // The device takes the next output report.
  std::vector<uint8_t> receive() {
    std::vector<uint8_t> report(kReportCapacity);
    DWORD got = 0;
    if (!ReadFile(server_, report.data(), static_cast<DWORD>(report.size()), &got, nullptr))
      return {};
    report.resize(got);
    return report;
  }
  void closeServer() {
    if (server_ != INVALID_HANDLE_VALUE) CloseHandle(server_);
    server_ = INVALID_HANDLE_VALUE;
  }

  // Cancels the read of another thread until it has ended; a cancel that
  // comes before the read waits is forgotten, so it is repeated.
  HidDevice::Result cancelUntilEnded(std::future<HidDevice::Result>& read) {
    const auto deadline = std::chrono::steady_clock::now() + kLongWait;
    while (read.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready &&
           std::chrono::steady_clock::now() < deadline)
      reports_->cancelRead();
    return read.get();
  }

  HANDLE server_ = INVALID_HANDLE_VALUE;
  HANDLE client_ = INVALID_HANDLE_VALUE;
  std::unique_ptr<OverlappedReports> reports_;
};

TEST_F(PipeDevice, AReportThatArrivesIsReadWhole) {
  std::vector<uint8_t> buffer(8, 0xEE);
  auto read = std::async(std::launch::async,
                         [&] { return reports_->read(buffer.data(), buffer.size(), kLongWaitMs); });
  send({0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77});
  const HidDevice::Result result = read.get();
  EXPECT_EQ(result.status, Status::Ok);
  EXPECT_EQ(result.bytes, 8u);
  EXPECT_EQ(buffer, (std::vector<uint8_t>{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}));
}

TEST_F(PipeDevice, ReportsQueuedBeforeTheReadComeOneByOneInOrder) {
  send({1, 1, 1, 1, 1});
  send({2, 2, 2, 2, 2});
  uint8_t buffer[5] = {};
  for (uint8_t expected : {1, 2}) {
    const HidDevice::Result result = reports_->read(buffer, sizeof buffer, kLongWaitMs);
    ASSERT_EQ(result.status, Status::Ok);
    ASSERT_EQ(result.bytes, 5u);
    EXPECT_EQ(buffer[0], expected);
    EXPECT_EQ(buffer[4], expected);
  }
}

TEST_F(PipeDevice, AReportLongerThanTheBufferIsDroppedAndTheNextIsRead) {
  send({9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
  send({3, 3, 3, 3, 3});
  uint8_t buffer[8] = {};
  const HidDevice::Result result = reports_->read(buffer, sizeof buffer, kLongWaitMs);
  EXPECT_EQ(result.status, Status::Ok);
  EXPECT_EQ(result.bytes, 5u);
  EXPECT_EQ(buffer[0], 3);
}

TEST_F(PipeDevice, AQuietDeviceTimesOutAndTheReportAfterIsNotLost) {
  uint8_t buffer[8] = {};
  const HidDevice::Result quiet = reports_->read(buffer, sizeof buffer, 20);
  EXPECT_EQ(quiet.status, Status::Timeout);
  EXPECT_EQ(quiet.bytes, 0u);
  // The cancelled read took nothing with it.
  send({7, 6, 5, 4, 3, 2, 1, 0});
  const HidDevice::Result next = reports_->read(buffer, sizeof buffer, kLongWaitMs);
  EXPECT_EQ(next.status, Status::Ok);
  EXPECT_EQ(next.bytes, 8u);
  EXPECT_EQ(buffer[0], 7);
}

TEST_F(PipeDevice, ACancelFromAnotherThreadEndsAWaitWithoutLimit) {
  uint8_t buffer[8] = {};
  auto read = std::async(std::launch::async,
                         [&] { return reports_->read(buffer, sizeof buffer, -1); });
  const HidDevice::Result result = cancelUntilEnded(read);
  EXPECT_EQ(result.status, Status::Cancelled);
  EXPECT_EQ(result.bytes, 0u);
  // The device is still there.
  send({1, 2, 3});
  EXPECT_EQ(reports_->read(buffer, sizeof buffer, kLongWaitMs).status, Status::Ok);
}

TEST_F(PipeDevice, ACancelWhileNoReadWaitsIsForgotten) {
  reports_->cancelRead();
  reports_->cancelWrite();
  send({4, 4, 4});
  uint8_t buffer[8] = {};
  EXPECT_EQ(reports_->read(buffer, sizeof buffer, kLongWaitMs).status, Status::Ok);
  const uint8_t report[5] = {0x01, 0x02, 0x03, 0x04, 0x05};
  EXPECT_EQ(reports_->write(report, sizeof report, kLongWaitMs).status, Status::Ok);
}

TEST_F(PipeDevice, AWrittenReportReachesTheDeviceWhole) {
  const uint8_t report[5] = {0x00, 0xA0, 0xB1, 0xC2, 0xD3};
  const HidDevice::Result result = reports_->write(report, sizeof report, kLongWaitMs);
  EXPECT_EQ(result.status, Status::Ok);
  EXPECT_EQ(result.bytes, 5u);
  EXPECT_EQ(receive(), (std::vector<uint8_t>{0x00, 0xA0, 0xB1, 0xC2, 0xD3}));
}

TEST_F(PipeDevice, AClosedDeviceEndsAWaitingReadAsGoneAndStaysGone) {
  uint8_t buffer[8] = {};
  auto read = std::async(std::launch::async,
                         [&] { return reports_->read(buffer, sizeof buffer, kLongWaitMs); });
  // Closed while the read waits, or before it starts: gone either way.
  closeServer();
  ASSERT_EQ(read.wait_for(kLongWait), std::future_status::ready);
  EXPECT_EQ(read.get().status, Status::Gone);
  EXPECT_EQ(reports_->read(buffer, sizeof buffer, kLongWaitMs).status, Status::Gone);
  const uint8_t report[5] = {};
  EXPECT_EQ(reports_->write(report, sizeof report, kLongWaitMs).status, Status::Gone);
}

TEST_F(PipeDevice, AWriteToAClosedDeviceIsGone) {
  closeServer();
  const uint8_t report[5] = {0x00, 1, 2, 3, 4};
  EXPECT_EQ(reports_->write(report, sizeof report, kLongWaitMs).status, Status::Gone);
}

TEST(StatusOfIoError, UnpluggedMeansGoneAndTheRestFailed) {
  struct Case {
    DWORD error;
    Status status;
  };
  const Case cases[] = {
      {ERROR_SUCCESS, Status::Ok},
      {ERROR_DEVICE_NOT_CONNECTED, Status::Gone},  // 1167
      {ERROR_GEN_FAILURE, Status::Gone},           // 31
      {ERROR_BAD_COMMAND, Status::Gone},           // 22
      {ERROR_FILE_NOT_FOUND, Status::Gone},
      {ERROR_PATH_NOT_FOUND, Status::Gone},
      {ERROR_INVALID_HANDLE, Status::Gone},
      {platform::win32::kErrorNoSuchDevice, Status::Gone},  // 433
      {ERROR_DEV_NOT_EXIST, Status::Gone},
      {ERROR_DEVICE_REMOVED, Status::Gone},
      {ERROR_NOT_READY, Status::Gone},
      {ERROR_BROKEN_PIPE, Status::Gone},
      {ERROR_PIPE_NOT_CONNECTED, Status::Gone},
      {ERROR_NO_DATA, Status::Gone},
      // Only our own cancel makes an abort a Cancelled; the table cannot know.
      {ERROR_OPERATION_ABORTED, Status::Failed},
      {ERROR_ACCESS_DENIED, Status::Failed},
      {ERROR_INVALID_PARAMETER, Status::Failed},
      {ERROR_INVALID_USER_BUFFER, Status::Failed},
      {ERROR_MORE_DATA, Status::Failed},
      {ERROR_NOT_ENOUGH_MEMORY, Status::Failed},
  };
  for (const Case& c : cases) EXPECT_EQ(statusOfIoError(c.error), c.status) << c.error;
}

}  // namespace
