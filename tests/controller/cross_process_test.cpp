// Boards shared with another process, as when two programs drive the same
// panels: ownership, refresh requests and the published board description.
#include <platform/last_error.h>

#include "board_fixture.h"
#include "helper_process.h"

namespace controller_test {
namespace {

using platform_test::HelperProcess;

class CrossProcessTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    ASSERT_EQ(other.ask("open"), "opened 1");
  }
  void TearDown() override {
    other.ask("close");
    ControllerTest::TearDown();
  }
  HelperProcess other;  // inherits this test's runtime folder
};

TEST_F(CrossProcessTest, OneProcessOwnsABoardAtATime) {
  EXPECT_EQ(controller->Lock(), 0u);
  EXPECT_EQ(other.ask("lock"), "183");
  controller->Unlock();
  EXPECT_EQ(other.ask("lock"), "0");
  EXPECT_EQ(controller->Lock(), platform::kErrorAlreadyExists);
  // The owner's process ending ends its ownership.
  other.ask("exit");
  other.waitForExit();
  EXPECT_EQ(controller->Lock(), 0u);
}

TEST_F(CrossProcessTest, AnotherProcessCanAskForAFullKeyReport) {
  KeyRecorder recorder;
  ASSERT_TRUE(rack.press(kSerial, 7));
  ASSERT_TRUE(controller->EnableKeyMatrix(true, KeyRecorder::callback, &recorder, false));
  ASSERT_TRUE(recorder.waitForCall({0, 0}));
  const size_t first = recorder.count();
  rack.clearOutputReports(kSerial);

  EXPECT_EQ(other.ask(std::string("refresh ") + kSerial), "set");
  ASSERT_TRUE(recorder.waitForCall({0, 0}, first));
  auto calls = recorder.calls();
  ASSERT_EQ(calls.size(), first + 65);
  EXPECT_EQ(calls[first + 6], KeyRecorder::Call(7, 1));
  EXPECT_EQ(reportsTaken(kSerial, 1).front(), report({0x19}));
  controller->Close();
}

TEST_F(CrossProcessTest, LaterProcessesAdoptThePublishedDescription) {
  ASSERT_TRUE(controller->ReadConfiguration(false));
  rack.clearOutputReports(kSerial);
  EXPECT_EQ(other.ask("config"), "config 1 3401 2 17/06/23");
  EXPECT_TRUE(rack.outputReports(kSerial).empty());

  // Once no process holds the description, the next reader reads the board.
  controller->Close();
  ASSERT_EQ(other.ask("close"), "closed");
  ASSERT_EQ(other.ask("open"), "opened 1");
  EXPECT_EQ(other.ask("config"), "config 1 3401 2 17/06/23");
  EXPECT_FALSE(rack.outputReports(kSerial).empty());
}

}  // namespace
}  // namespace controller_test
