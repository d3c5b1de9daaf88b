#pragma once
// A private world with the lab's board rack for the controller tests: the
// rack serves boards in this test's runtime folder, where the device list
// finds them as it would find real ones.
#include <controller/device_list.h>
#include <controller/vantrix_controller.h>
#include <gtest/gtest.h>
#include <lab/boards.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "test_environment.h"

namespace controller_test {

// Long enough for a loaded machine under a sanitizer; conditions end the
// waits long before.
constexpr auto kDeadline = std::chrono::seconds(30);

// An 8-byte report (or `length` bytes) starting with the given bytes.
std::vector<uint8_t> report(std::initializer_list<uint8_t> bytes, size_t length = 8);

class BoardTest : public ::testing::Test {
 protected:
  void TearDown() override { iowCloseDevices(nullptr); }

  // The output reports a board took on one interface, oldest first.
  std::vector<std::vector<uint8_t>> reportsTaken(const std::string& serial, int interfaceNumber);
  bool waitUntil(const std::function<bool()>& condition) {
    return rack.waitUntil(condition, kDeadline);
  }

  testsupport::TestEnvironment env;
  lab::BoardRack rack{env.runtimeDir()};
};

// One radio panel board, opened, with a controller on it.
class ControllerTest : public BoardTest {
 protected:
  static constexpr char kSerial[] = "0000A1B2";

  void SetUp() override { openController(lab::BoardSetup::panel(kSerial, 0x34, 0x01, 2)); }
  void TearDown() override {
    controller.reset();
    BoardTest::TearDown();
  }
  void openController(const lab::BoardSetup& setup);
  lab::BoardView view() { return rack.view(kSerial).value_or(lab::BoardView{}); }

  std::unique_ptr<CVantrixController> controller;
};

// Collects what a key callback was told, for any thread to wait on.
class KeyRecorder {
 public:
  using Call = std::pair<int, int>;  // key, state

  static int32_t callback(const std::string& serial, int key, int state, void* user);

  // Makes the callback return 0 (stop) for this key.
  void stopAtKey(int key);
  std::vector<Call> calls() const;
  std::string serialSeen() const;
  // Waits until the calls satisfy the condition.
  bool waitFor(const std::function<bool(const std::vector<Call>&)>& condition) const;
  // Waits until the call was made (after the first `after` calls).
  bool waitForCall(Call call, size_t after = 0) const;
  size_t count() const { return calls().size(); }

 private:
  mutable std::mutex lock_;
  mutable std::condition_variable changed_;
  std::vector<Call> calls_;
  std::string serial_;
  int stopKey_ = -1;
};

}  // namespace controller_test
