// kestrix-boards, the real program, against the lab's boards: what a person
// wiring panels sees of each board, and the LED and key test.
#include <gtest/gtest.h>
#include <lab/boards.h>
#include <platform/child_process.h>

#include <set>
#include <utility>

#include "board_fixture.h"
#include "test_environment.h"

namespace controller_test {
namespace {

class BoardsToolTest : public BoardTest {
 protected:
  std::unique_ptr<platform::ChildProcess> start(const std::vector<std::string>& arguments) {
    auto tool = testsupport::startProgramIn(env, testsupport::programPath("kestrix-boards"), arguments);
    EXPECT_TRUE(tool);
    return tool;
  }
  // Exit code and output of a run to its end.
  std::pair<std::optional<int>, std::string> run(const std::vector<std::string>& arguments) {
    auto tool = start(arguments);
    if (!tool) return {std::nullopt, ""};
    auto code = tool->waitForExit(kDeadline);
    return {code, tool->output()};
  }
};

TEST_F(BoardsToolTest, ListNamesEachBoardWithItsIdsModelAndInterfaces) {
  lab::BoardSetup io = lab::BoardSetup::panel("0000C003", 0x34, 0x01, 7);
  io.vendorId = 0x07C0;
  io.productId = 0x1583;
  ASSERT_TRUE(rack.plug(lab::BoardSetup::panel("0000C001", 0x34, 0x01, 1)));
  ASSERT_TRUE(rack.plug(lab::BoardSetup::panel("0000C002", 0x34, 0x02, 2)));
  ASSERT_TRUE(rack.plug(io));
  ASSERT_TRUE(rack.plug(lab::BoardSetup::blank("0000C004")));
  // Special-mode reports of 64 bytes: listed, but its memory is not read.
  lab::BoardSetup wide = lab::BoardSetup::panel("0000C005", 0x34, 0x01, 1);
  wide.productId = 0x03EA;
  wide.specialInputLength = wide.specialOutputLength = 64;
  ASSERT_TRUE(rack.plug(wide));

  auto [code, output] = run({"list"});
  ASSERT_EQ(code, 0) << output;
  EXPECT_NE(output.find("5 boards\n"), std::string::npos) << output;
  const std::vector<std::string> expected = {
      "0000C001  1FD1:03E8  model 3401, variant 1, made 17/06/23",
      "0000C002  1FD1:03E8  model 3402, variant 2, made 17/06/23",
      "0000C003  07C0:1583  model 3401, variant 7, made 17/06/23",
      "0000C004  1FD1:03E8  model none, variant 255",
      "0000C005  1FD1:03EA  configuration memory unreadable",
      "MI_01  special mode  reports in 64, out 64 bytes  \\\\?\\HID#VID_1FD1&PID_03EA&MI_01#",
      "MI_00  pin           reports in 5, out 5 bytes  \\\\?\\HID#VID_1FD1&PID_03E8&MI_00#",
      "MI_01  special mode  reports in 8, out 8 bytes  \\\\?\\HID#VID_1FD1&PID_03E8&MI_01#",
      "MI_01  special mode  reports in 8, out 8 bytes  \\\\?\\HID#VID_07C0&PID_1583&MI_01#",
  };
  for (const std::string& line : expected) EXPECT_NE(output.find(line), std::string::npos) << line << "\n" << output;
}

TEST_F(BoardsToolTest, NoBoardIsSaidAndIsNoError) {
  auto [code, output] = run({"list"});
  EXPECT_EQ(code, 0);
  EXPECT_EQ(output, "no boards\n");
}

TEST_F(BoardsToolTest, WithRealBoardsChosenAMachineWithoutBoardsHasNone) {
  // The lab's rack runs, but the tool is told to look at the real USB
  // boards, of which this machine (or its container) has none.
  ASSERT_TRUE(rack.plug(lab::BoardSetup::panel("0000C101", 0x34, 0x01, 1)));
  platform::ChildProcess::Options options;
  options.program = testsupport::programPath("kestrix-boards");
  options.arguments = {"list"};
  options.environment = env.childEnvironment();
  for (auto& [name, value] : options.environment)
    if (name == "KESTRIX_HID") value = "usb";
  options.workingFolder = env.root();
  auto tool = platform::ChildProcess::start(options);
  ASSERT_TRUE(tool);
  EXPECT_EQ(tool->waitForExit(kDeadline), 0);
  EXPECT_NE(tool->output().find("no boards\n"), std::string::npos) << tool->output();
}

TEST_F(BoardsToolTest, ShowTellsWhatOneBoardReportsAndRefusesAnUnknownSerial) {
  ASSERT_TRUE(rack.plug(lab::BoardSetup::panel("0000D001", 0x34, 0x02, 2)));
  auto [code, output] = run({"show", "0000d001"});  // any letter case
  ASSERT_EQ(code, 0) << output;
  EXPECT_NE(output.find("0000D001  1FD1:03E8  model 3402, variant 2"), std::string::npos) << output;
  EXPECT_NE(output.find("  ports  "), std::string::npos) << output;
  EXPECT_EQ(output.find("not answered"), std::string::npos) << output;

  auto [unknownCode, unknownOutput] = run({"show", "0000D999"});
  EXPECT_EQ(unknownCode, 1);
  EXPECT_NE(unknownOutput.find("no board 0000D999 (1 board found"), std::string::npos) << unknownOutput;
}

TEST_F(BoardsToolTest, BadUsageExitsTwoWithTheUsage) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{}, {"frob"}, {"show"}, {"test", "X", "--step", "-1"},
                                             {"test", "X", "--pace", "10"}, {"list", "more"}}) {
    auto [code, output] = run(arguments);
    EXPECT_EQ(code, 2) << ::testing::PrintToString(arguments);
    EXPECT_NE(output.find("usage:"), std::string::npos);
  }
}

TEST_F(BoardsToolTest, TestLightsEveryLedOnceInTurnThenEchoesTheKeysUntilStopped) {
  constexpr char kSerial[] = "0000E001";
  ASSERT_TRUE(rack.plug(lab::BoardSetup::panel(kSerial, 0x34, 0x01, 1)));
  ASSERT_TRUE(rack.press(kSerial, 9));  // held while the test starts
  auto tool = start({"test", kSerial, "--step", "0"});
  ASSERT_TRUE(tool);
  ASSERT_TRUE(tool->waitForOutput("press keys", kDeadline)) << tool->output();
  ASSERT_TRUE(tool->waitForOutput("key 9 pressed\n", kDeadline)) << tool->output();

  // Every LED of the 8 x 32 matrix was lit alone once, in order.
  std::vector<int> litAlone;
  for (const auto& bytes : reportsTaken(kSerial, 1)) {
    if (bytes[0] != 0x15) continue;
    const int row = bytes[1];
    for (int column = 0; column < 32; ++column)
      if (bytes[2 + column / 8] & (1 << (column % 8))) litAlone.push_back(column * 8 + row + 1);
  }
  std::vector<int> everyLed(256);
  for (int led = 1; led <= 256; ++led) everyLed[static_cast<size_t>(led - 1)] = led;
  EXPECT_EQ(litAlone, everyLed);

  ASSERT_TRUE(rack.release(kSerial, 9));
  ASSERT_TRUE(rack.press(kSerial, 40));
  ASSERT_TRUE(rack.release(kSerial, 40));
  ASSERT_TRUE(tool->waitForOutput("key 9 released\nkey 40 pressed\nkey 40 released\n", kDeadline))
      << tool->output();
  tool->interrupt();
  EXPECT_EQ(tool->waitForExit(kDeadline), 0);
  EXPECT_NE(tool->output().find("test ended"), std::string::npos);
  // Each key change once: the board's full reports repeat the rest.
  const std::string output = tool->output();
  size_t count = 0;
  for (size_t at = output.find("key "); at != std::string::npos; at = output.find("key ", at + 1)) ++count;
  EXPECT_EQ(count, 4u) << output;
  auto view = rack.view(kSerial);
  ASSERT_TRUE(view);
  EXPECT_FALSE(view->ledMatrixOn);
  EXPECT_EQ(view->keyMode, 0);
}

TEST_F(BoardsToolTest, TestLeavesABoardAnotherProgramDrivesAlone) {
  constexpr char kSerial[] = "0000E002";
  ASSERT_TRUE(rack.plug(lab::BoardSetup::panel(kSerial, 0x34, 0x01, 1)));
  ASSERT_TRUE(iowOpenDevices());
  CVantrixController driver;
  driver.SetDeviceHandle(iowDeviceHandle(1), /*borrowed=*/true);
  ASSERT_EQ(driver.Lock(), 0u);

  auto [code, output] = run({"test", kSerial, "--step", "0"});
  EXPECT_EQ(code, 1);
  EXPECT_NE(output.find("board 0000E002 is in use by another program"), std::string::npos) << output;
  EXPECT_TRUE(reportsTaken(kSerial, 1).empty()) << "the tool wrote to the board";
  driver.Unlock();
}

}  // namespace
}  // namespace controller_test
