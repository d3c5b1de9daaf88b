// Real boards through a scripted library: what enumeration lists, and how
// reads and writes move reports, time out, cancel and end when a board is
// pulled. The fake completes transfers on the test's own thread, as the
// library's event thread would.
#include <gtest/gtest.h>
#include <platform/user_notice.h>

#include <atomic>
#include <future>
#include <thread>

#include "board_descriptors.h"
#include "posix/usb_boards.h"
#include "posix/usb_names.h"

namespace usbtest {
namespace {

using namespace platform::usb;
using platform::HidDevice;
using Status = HidDevice::Status;

constexpr auto kDeadline = std::chrono::seconds(20);

struct FakeTransfer final : UsbTransfer {
  FakeTransfer(uint8_t endpoint, ControlSetup setup, std::vector<uint8_t> payload,
               Completion completion)
      : endpoint(endpoint), setup(setup), payload(std::move(payload)), completion(std::move(completion)) {}
  Outcome submit() override;
  void cancel() override;

  const uint8_t endpoint;  // 0: a control write
  const ControlSetup setup;
  const std::vector<uint8_t> payload;
  const Completion completion;
  struct FakeDevice* device = nullptr;
};

struct FakeDevice final : UsbDevice {
  std::map<int, std::vector<uint8_t>> reportDescriptors;
  std::vector<uint8_t> serial = {18, 3, '0', 0, '0', 0, '0', 0, '0', 0, 'A', 0, '0', 0, '0', 0, '1', 0};
  Outcome submitOutcome = Outcome::Ok;
  Outcome claimOutcome = Outcome::Ok;  // Busy: another program holds the interfaces
  bool cancelCompletes = true;

  std::mutex mutex;
  std::condition_variable changed;
  std::vector<FakeTransfer*> inFlight;
  std::vector<FakeTransfer*> cancelled;
  std::set<int> claimed;

  Outcome claimInterface(int number) override {
    std::lock_guard lock(mutex);
    if (claimOutcome != Outcome::Ok) return claimOutcome;
    claimed.insert(number);
    return Outcome::Ok;
  }
  void releaseInterface(int number) override {
    std::lock_guard lock(mutex);
    claimed.erase(number);
  }
  Outcome control(const ControlSetup& setup, uint8_t* data, uint16_t length, unsigned,
                  size_t& bytes) override {
    std::vector<uint8_t> answer;
    if (setup.value == 0x2200) answer = reportDescriptors[setup.index];
    if (setup.value == 0x0300) answer = {4, 3, 0x09, 0x04};
    if (setup.value == 0x0303) answer = serial;
    if (answer.empty()) return Outcome::Failed;
    bytes = std::min<size_t>(answer.size(), length);
    std::copy_n(answer.begin(), bytes, data);
    return Outcome::Ok;
  }
  std::unique_ptr<UsbTransfer> interruptTransfer(uint8_t endpoint, size_t, std::vector<uint8_t> payload,
                                                 UsbTransfer::Completion completion) override {
    return make(endpoint, {}, std::move(payload), std::move(completion));
  }
  std::unique_ptr<UsbTransfer> controlWrite(const ControlSetup& setup, std::vector<uint8_t> payload,
                                            UsbTransfer::Completion completion) override {
    return make(0, setup, std::move(payload), std::move(completion));
  }
  std::unique_ptr<UsbTransfer> make(uint8_t endpoint, ControlSetup setup, std::vector<uint8_t> payload,
                                    UsbTransfer::Completion completion) {
    auto transfer = std::make_unique<FakeTransfer>(endpoint, setup, std::move(payload), std::move(completion));
    transfer->device = this;
    return transfer;
  }

  // Waits for a transfer in flight that pred picks, takes it out of flight
  // and completes it with outcome and data.
  bool complete(const std::function<bool(const FakeTransfer&)>& pred, Outcome outcome,
                std::vector<uint8_t> data = {}) {
    FakeTransfer* transfer = nullptr;
    {
      std::unique_lock lock(mutex);
      if (!changed.wait_for(lock, kDeadline, [&] {
            for (FakeTransfer* t : inFlight)
              if (pred(*t)) return (transfer = t) != nullptr;
            return false;
          }))
        return false;
      std::erase(inFlight, transfer);
    }
    transfer->completion(outcome, data.data(), data.size());
    return true;
  }
  size_t count(const std::function<bool(const FakeTransfer&)>& pred) {
    std::lock_guard lock(mutex);
    return std::count_if(inFlight.begin(), inFlight.end(), [&](FakeTransfer* t) { return pred(*t); });
  }
};

Outcome FakeTransfer::submit() {
  std::lock_guard lock(device->mutex);
  if (device->submitOutcome != Outcome::Ok) return device->submitOutcome;
  device->inFlight.push_back(this);
  device->changed.notify_all();
  return Outcome::Ok;
}

void FakeTransfer::cancel() {
  bool complete = false;
  {
    std::lock_guard lock(device->mutex);
    auto at = std::find(device->inFlight.begin(), device->inFlight.end(), this);
    if (at == device->inFlight.end()) return;
    device->cancelled.push_back(this);
    if (device->cancelCompletes) {
      device->inFlight.erase(at);
      complete = true;
    }
  }
  // The library completes a cancelled transfer on its event thread.
  if (complete) std::thread([this] { completion(Outcome::Cancelled, nullptr, 0); }).join();
}

struct FakeLibrary final : UsbLibrary {
  std::vector<UsbDeviceFacts> present;
  std::map<UsbAddress, std::shared_ptr<FakeDevice>> devicesAt;
  Outcome openOutcome = Outcome::Ok;

  std::vector<UsbDeviceFacts> devices() override { return present; }
  std::unique_ptr<UsbDevice> open(const UsbAddress& address, Outcome& outcome) override {
    outcome = openOutcome;
    if (openOutcome != Outcome::Ok) return nullptr;
    struct Borrowed final : UsbDevice {  // the test keeps the device to script it
      std::shared_ptr<FakeDevice> device;
      Outcome claimInterface(int n) override { return device->claimInterface(n); }
      void releaseInterface(int n) override { device->releaseInterface(n); }
      Outcome control(const ControlSetup& s, uint8_t* d, uint16_t l, unsigned t, size_t& b) override {
        return device->control(s, d, l, t, b);
      }
      std::unique_ptr<UsbTransfer> interruptTransfer(uint8_t e, size_t l, std::vector<uint8_t> p,
                                                     UsbTransfer::Completion c) override {
        return device->interruptTransfer(e, l, std::move(p), std::move(c));
      }
      std::unique_ptr<UsbTransfer> controlWrite(const ControlSetup& s, std::vector<uint8_t> p,
                                                UsbTransfer::Completion c) override {
        return device->controlWrite(s, std::move(p), std::move(c));
      }
    };
    auto borrowed = std::make_unique<Borrowed>();
    borrowed->device = devicesAt.at(address);
    return borrowed;
  }
  std::unique_ptr<UsbHotplug> watch(HotplugCallback) override { return nullptr; }
};

class UsbBoardsTest : public ::testing::Test {
 protected:
  // A board on bus 1, port 2: a pin interface (IN 0x81, output by
  // SET_REPORT) and a special-mode interface (IN 0x82, OUT 0x02).
  std::shared_ptr<FakeDevice> plugBoard(UsbAddress address = {1, {2}}, uint16_t vendor = 0x1FD1,
                                        uint16_t product = 0x03E8) {
    UsbDeviceFacts facts;
    facts.address = address;
    facts.vendorId = vendor;
    facts.productId = product;
    facts.version = 0x1020;
    facts.serialIndex = 3;
    facts.interfaces = {{0, true, 0x81, 4, 0}, {1, true, 0x82, 8, 0x02}};
    library.present.push_back(facts);
    auto device = std::make_shared<FakeDevice>();
    device->reportDescriptors = {{0, pinInterfaceDescriptor()}, {1, specialModeInterfaceDescriptor()}};
    library.devicesAt[address] = device;
    return device;
  }

  std::string pathOf(int interface, UsbAddress address = {1, {2}}) {
    return interfacePathOf(0x1FD1, 0x03E8, interface, address);
  }

  static bool inOf(const FakeTransfer& t, uint8_t endpoint) { return t.endpoint == endpoint; }

  FakeLibrary library;
  UsbBoards boards{library};
};

TEST_F(UsbBoardsTest, EnumerationListsBothInterfacesOfABoardWithTheirFacts) {
  plugBoard();
  auto found = boards.enumerate();
  ASSERT_EQ(found.size(), 2u);
  struct Expected {
    uint16_t input, output;
  };
  const Expected expected[] = {{5, 5}, {8, 8}};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(found[i].path, pathOf(i));
    EXPECT_EQ(found[i].interfaceNumber, i);
    EXPECT_EQ(found[i].vendorId, 0x1FD1);
    EXPECT_EQ(found[i].productId, 0x03E8);
    EXPECT_EQ(found[i].versionNumber, 0x1020);
    EXPECT_EQ(found[i].inputReportLength, expected[i].input);
    EXPECT_EQ(found[i].outputReportLength, expected[i].output);
    EXPECT_EQ(found[i].serialNumber, std::u16string(u"0000A001"));
    EXPECT_EQ(found[i].indexedString0, std::u16string(u"\u0409"));
    EXPECT_EQ(found[i].groupingNode, found[0].groupingNode);
  }
  EXPECT_NE(found[0].deviceNode, found[1].deviceNode);
  // Enumeration gives every interface back.
  const UsbAddress board{1, {2}};
  EXPECT_TRUE(library.devicesAt[board]->claimed.empty());
}

TEST_F(UsbBoardsTest, EnumerationSkipsOtherDevicesAndInterfacesThatCannotBeProbed) {
  plugBoard({1, {3}}, 0x046D, 0xC077);  // not a board: never opened
  library.devicesAt[{1, {3}}].reset();
  auto broken = plugBoard({1, {4}});
  broken->reportDescriptors.erase(1);  // the special-mode interface does not answer
  auto found = boards.enumerate();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].interfaceNumber, 0);
}

TEST_F(UsbBoardsTest, ABoardWithoutPermissionIsSaidOnceNamingTheUdevRuleAndNotListed) {
  plugBoard();
  library.openOutcome = Outcome::NoAccess;
  std::vector<std::string> notices;
  platform::setNoticeSink([&](platform::NoticeKind kind, const std::string&, const std::string& text) {
    if (kind == platform::NoticeKind::DebugOutput) notices.push_back(text);
  });
  auto found = boards.enumerate();
  platform::setNoticeSink(nullptr);
  EXPECT_TRUE(found.empty());
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("60-kestrix-boards.rules"), std::string::npos) << notices[0];
  EXPECT_NE(notices[0].find("1fd1:03e8"), std::string::npos) << notices[0];
}

TEST_F(UsbBoardsTest, ABoardAnotherProgramHoldsIsSaidOnceAndNotListed) {
  plugBoard()->claimOutcome = Outcome::Busy;
  std::vector<std::string> notices;
  platform::setNoticeSink([&](platform::NoticeKind kind, const std::string&, const std::string& text) {
    if (kind == platform::NoticeKind::DebugOutput) notices.push_back(text);
  });
  auto found = boards.enumerate();
  platform::setNoticeSink(nullptr);
  EXPECT_TRUE(found.empty());
  ASSERT_EQ(notices.size(), 1u) << "one notice per board, not per interface";
  EXPECT_NE(notices[0].find("is in use by another program"), std::string::npos) << notices[0];
}

TEST_F(UsbBoardsTest, ReadHandlesGetEveryReportInTheWindowsForm) {
  auto device = plugBoard();
  auto pin = boards.open(pathOf(0), HidDevice::Access::Read);
  auto special = boards.open(pathOf(1), HidDevice::Access::Read);
  ASSERT_TRUE(pin && special);
  EXPECT_EQ(device->count([](const FakeTransfer& t) { return t.endpoint == 0x81; }),
            size_t(UsbBoards::kTransfersInFlight));
  // Reports queue while nobody reads.
  for (uint8_t key = 1; key <= 3; ++key)
    ASSERT_TRUE(device->complete([](const FakeTransfer& t) { return t.endpoint == 0x82; },
                                 Outcome::Ok, {0x19, key, 0, 0, 0, 0, 0, 0}));
  ASSERT_TRUE(device->complete([](const FakeTransfer& t) { return t.endpoint == 0x81; }, Outcome::Ok,
                               {0xFF, 0xFE, 0xFF, 0xFF}));
  uint8_t buffer[8] = {};
  for (uint8_t key = 1; key <= 3; ++key) {
    auto result = special->readReport(buffer, sizeof buffer, 0);
    ASSERT_EQ(result.status, Status::Ok);
    ASSERT_EQ(result.bytes, 8u);
    EXPECT_EQ(buffer[0], 0x19);
    EXPECT_EQ(buffer[1], key);
  }
  auto result = pin->readReport(buffer, 5, 0);
  ASSERT_EQ(result.status, Status::Ok);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + result.bytes),
            (std::vector<uint8_t>{0, 0xFF, 0xFE, 0xFF, 0xFF}));
  // Completed transfers went out again.
  EXPECT_EQ(device->count([](const FakeTransfer& t) { return t.endpoint == 0x82; }),
            size_t(UsbBoards::kTransfersInFlight));
  EXPECT_EQ(special->readReport(buffer, sizeof buffer, 0).status, Status::Timeout);
}

TEST_F(UsbBoardsTest, AReadWaitsForAReportAndEndsOnCancel) {
  auto device = plugBoard();
  auto special = boards.open(pathOf(1), HidDevice::Access::Read);
  ASSERT_TRUE(special);
  uint8_t buffer[8] = {};
  auto waiting = std::async(std::launch::async, [&] { return special->readReport(buffer, 8, -1); });
  ASSERT_TRUE(device->complete([](const FakeTransfer& t) { return t.endpoint == 0x82; }, Outcome::Ok,
                               {0x1A, 0x80, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(waiting.get().status, Status::Ok);
  EXPECT_EQ(buffer[0], 0x1A);

  auto cancelled = std::async(std::launch::async, [&] { return special->readReport(buffer, 8, -1); });
  while (cancelled.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
    special->cancelRead();
  EXPECT_EQ(cancelled.get().status, Status::Cancelled);
}

TEST_F(UsbBoardsTest, APulledBoardEndsReadsAndWritesWithGone) {
  auto device = plugBoard();
  auto reader = boards.open(pathOf(1), HidDevice::Access::Read);
  auto writer = boards.open(pathOf(1), HidDevice::Access::Write);
  ASSERT_TRUE(reader && writer);
  ASSERT_TRUE(device->complete([](const FakeTransfer& t) { return t.endpoint == 0x82; }, Outcome::Ok,
                               {0x19, 1, 0, 0, 0, 0, 0, 0}));
  ASSERT_TRUE(device->complete([](const FakeTransfer& t) { return t.endpoint == 0x82; }, Outcome::Gone));
  uint8_t buffer[8] = {};
  // Gone wins over the report still queued.
  EXPECT_EQ(reader->readReport(buffer, 8, -1).status, Status::Gone);
  const uint8_t request[8] = {0x19};
  EXPECT_EQ(writer->writeReport(request, 8, 1000).status, Status::Gone);
}

TEST_F(UsbBoardsTest, WritesGoByTheOutEndpointOrBySetReport) {
  auto device = plugBoard();
  auto special = boards.open(pathOf(1), HidDevice::Access::Write);
  auto pin = boards.open(pathOf(0), HidDevice::Access::Write);
  ASSERT_TRUE(special && pin);
  const uint8_t row[8] = {0x15, 3, 0xAA, 0x55, 0, 0};
  auto written = std::async(std::launch::async, [&] { return special->writeReport(row, 8, -1); });
  std::vector<uint8_t> sent;
  ASSERT_TRUE(device->complete(
      [&](const FakeTransfer& t) {
        if (t.endpoint != 0x02) return false;
        sent = t.payload;
        return true;
      },
      Outcome::Ok));
  EXPECT_EQ(sent, std::vector<uint8_t>(row, row + 8));  // the id travels
  auto result = written.get();
  EXPECT_EQ(result.status, Status::Ok);
  EXPECT_EQ(result.bytes, 8u);

  std::vector<uint8_t> payload;
  ControlSetup setup;
  const uint8_t ports[5] = {0, 0xFF, 0x7F, 0xFF, 0xFF};
  auto portsWritten = std::async(std::launch::async, [&] { return pin->writeReport(ports, 5, -1); });
  ASSERT_TRUE(device->complete(
      [&](const FakeTransfer& t) {
        if (t.endpoint != 0) return false;
        payload = t.payload;
        setup = t.setup;
        return true;
      },
      Outcome::Ok));
  EXPECT_EQ(portsWritten.get().status, Status::Ok);
  EXPECT_EQ(payload, (std::vector<uint8_t>{0xFF, 0x7F, 0xFF, 0xFF}));
  EXPECT_EQ(setup.requestType, 0x21);
  EXPECT_EQ(setup.value, 0x0200);
  EXPECT_EQ(setup.index, 0);
  // A report of another length is refused and never sent.
  EXPECT_EQ(pin->writeReport(ports, 4, -1).status, Status::Failed);
}

TEST_F(UsbBoardsTest, AWriteThatTimesOutOrIsCancelledIsTakenBackFromTheLibrary) {
  auto device = plugBoard();
  auto writer = boards.open(pathOf(1), HidDevice::Access::Write);
  ASSERT_TRUE(writer);
  const uint8_t request[8] = {0x19};
  EXPECT_EQ(writer->writeReport(request, 8, 10).status, Status::Timeout);
  EXPECT_EQ(device->cancelled.size(), 1u);
  EXPECT_EQ(device->count([](const FakeTransfer& t) { return t.endpoint == 0x02; }), 0u);

  auto cancelled = std::async(std::launch::async, [&] { return writer->writeReport(request, 8, -1); });
  while (cancelled.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
    writer->cancelWrite();
  EXPECT_EQ(cancelled.get().status, Status::Cancelled);
  EXPECT_EQ(device->cancelled.size(), 2u);
}

TEST_F(UsbBoardsTest, HandlesShareOneClaimPerInterfaceUntilTheLastCloses) {
  auto device = plugBoard();
  auto reader = boards.open(pathOf(1), HidDevice::Access::Read);
  auto writer = boards.open(pathOf(1), HidDevice::Access::Write);
  ASSERT_TRUE(reader && writer);
  // Enumeration while handles are open uses the same claim.
  EXPECT_EQ(boards.enumerate().size(), 2u);
  EXPECT_EQ(device->claimed, (std::set<int>{1}));
  reader.reset();
  EXPECT_EQ(device->claimed, (std::set<int>{1}));
  writer.reset();  // the transfers in flight are cancelled and awaited
  EXPECT_EQ(device->count([](const FakeTransfer& t) { return t.endpoint == 0x82; }), 0u);
  EXPECT_TRUE(device->claimed.empty());
  // A path of a position where another device sits now opens nothing.
  EXPECT_FALSE(boards.open(interfacePathOf(0x07C0, 0x1583, 1, {1, {2}}), HidDevice::Access::Read));
  EXPECT_FALSE(boards.open("\\\\?\\HID#VID_1FD1&PID_03E8&MI_01#7&1&0&0001#{x}", HidDevice::Access::Read));
}

}  // namespace
}  // namespace usbtest
