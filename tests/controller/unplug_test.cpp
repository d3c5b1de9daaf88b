#include <controller/vantrix_controllers.h>
#include <platform/last_error.h>

#include <future>

#include "board_fixture.h"

namespace controller_test {
namespace {

// Runs an operation on another thread and tells whether it ended in time.
template <typename Operation>
bool endsInTime(Operation operation) {
  auto running = std::async(std::launch::async, operation);
  return running.wait_for(kDeadline) == std::future_status::ready;
}

bool goneOrTimedOut(uint32_t error) {
  return error == platform::kErrorDevNotExist || error == platform::kErrorTimeout;
}

class UnplugTest : public ControllerTest {
 protected:
  void enableEverything() {
    ASSERT_TRUE(controller->EnableLedMatrix(true));
    ASSERT_TRUE(controller->EnableKeyMatrix(true, KeyRecorder::callback, &recorder, false));
    ASSERT_TRUE(recorder.waitForCall({0, 0}));
  }
  // The request-and-reply exchanges of a board that is gone fail, and soon.
  void expectExchangesFailPromptly() {
    EXPECT_TRUE(endsInTime([&] {
      int32_t port = -5;
      controller->ReadPinStatus(&port, nullptr, nullptr, nullptr);
      EXPECT_EQ(port, -5);
      EXPECT_TRUE(goneOrTimedOut(platform::lastError())) << platform::lastError();
    }));
    EXPECT_TRUE(endsInTime([&] { EXPECT_FALSE(controller->ReadConfiguration(true)); }));
  }
  KeyRecorder recorder;
};

TEST_F(UnplugTest, APulledBoardFailsEveryCallAndEndsItsThreads) {
  enableEverything();
  ASSERT_TRUE(rack.unplug(kSerial));

  EXPECT_EQ(controller->SetDisplay(1, "123", 3, 0, ' '), -1);
  EXPECT_EQ(platform::lastError(), platform::kErrorDevNotExist);
  EXPECT_FALSE(controller->WritePort(0, 1));
  expectExchangesFailPromptly();
  // The key thread ended by itself, so closing waits for nothing.
  EXPECT_TRUE(endsInTime([&] { controller->Close(); }));
}

TEST_F(UnplugTest, ABoardPulledMidTransferEndsThatTransfer) {
  enableEverything();
  ASSERT_TRUE(rack.unplugMidTransfer(kSerial));
  expectExchangesFailPromptly();
  EXPECT_TRUE(endsInTime([&] { controller->Close(); }));
}

TEST_F(UnplugTest, AStalledBoardDoesNotHoldUpTheTeardown) {
  enableEverything();
  lab::BoardFaults stall;
  stall.stallWrites = true;
  ASSERT_TRUE(rack.setFaults(kSerial, stall));
  auto writing = std::async(std::launch::async, [&] { return controller->SetLed(1, true, false); });
  ASSERT_EQ(writing.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  iowCloseDevices(nullptr);
  ASSERT_EQ(writing.wait_for(kDeadline), std::future_status::ready);
  EXPECT_EQ(writing.get(), -1);
  EXPECT_TRUE(endsInTime([&] { controller->Close(); }));
}

// The collection tears the list down before it closes its controllers, so
// key threads still running end on their own.
TEST(CollectionUnplugTest, ClosingWithKeyInputRunningEndsEverything) {
  testsupport::TestEnvironment env;
  lab::BoardRack rack{env.runtimeDir()};
  ASSERT_TRUE(rack.plug(lab::BoardSetup::panel("0000B001", 0x34, 0x01, 2)));
  ASSERT_TRUE(rack.plug(lab::BoardSetup::panel("0000B002", 0x34, 0x02, 2)));
  KeyRecorder recorder;
  CVantrixControllers controllers;
  ASSERT_TRUE(controllers.Open());
  for (auto [serial, controller] : controllers.SelectByModel({"3401", "3402"})) {
    ASSERT_TRUE(controller->EnableLedMatrix(true));
    ASSERT_TRUE(controller->EnableKeyMatrix(true, KeyRecorder::callback, &recorder, false));
  }
  ASSERT_TRUE(recorder.waitFor([](const auto& calls) {
    return std::count(calls.begin(), calls.end(), KeyRecorder::Call(0, 0)) == 2;
  }));
  ASSERT_TRUE(rack.unplug("0000B002"));
  EXPECT_TRUE(endsInTime([&] { controllers.Close(); }));
  EXPECT_FALSE(controllers.IsOpen());
}

}  // namespace
}  // namespace controller_test
