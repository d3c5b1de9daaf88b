#pragma once
// HID tests against the lab's board rack in a private runtime folder: the
// platform's HID service talks to the emulated boards over their real sockets.
#include <lab/boards.h>
#include <platform/hid.h>
#include <test_environment.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hidtest {

using platform::HidDevice;
using Access = HidDevice::Access;
using Status = HidDevice::Status;
using Bytes = std::vector<uint8_t>;

// Generous: only reached when something is wrong.
constexpr std::chrono::milliseconds kPatience{10000};
constexpr int kPatienceMs = 10000;
constexpr const char* kSerial = "0000A1B2";

// The bytes given, zero-padded to a report of that length.
Bytes report(std::initializer_list<uint8_t> bytes, size_t length);

class HidFixture : public ::testing::Test {
 protected:
  // The interfaces whose serial number string is serial, in the system's order.
  std::vector<platform::HidInterfaceInfo> interfacesOf(const std::string& serial);
  std::string pathOf(const std::string& serial, int interfaceNumber);
  std::unique_ptr<HidDevice> open(const std::string& serial, int interfaceNumber, Access access);

  testsupport::TestEnvironment environment;  // first: the rack serves its runtime folder
  lab::BoardRack rack{environment.runtimeDir()};
};

// A panel plugged in, with the handles a controller opens: a read and a
// write handle on the special-mode interface and a write handle on the pins.
class OpenBoardFixture : public HidFixture {
 protected:
  void SetUp() override;

  ::testing::AssertionResult write(HidDevice& device, const Bytes& bytes);
  ::testing::AssertionResult special(std::initializer_list<uint8_t> bytes) {
    return write(*specialOut, report(bytes, 8));
  }
  // The next input report of a read handle, within the patience.
  std::optional<Bytes> next(HidDevice& device);
  std::optional<Bytes> next() { return next(*specialIn); }
  // Passes when no report came before the answer to a pin status request,
  // which the board sends after everything it sent before.
  ::testing::AssertionResult nothingMoreCame(HidDevice& device);
  ::testing::AssertionResult nothingMoreCame() { return nothingMoreCame(*specialIn); }

  std::unique_ptr<HidDevice> specialIn, specialOut, pinOut;
};

}  // namespace hidtest
