#include <algorithm>

#include "board_fixture.h"

namespace controller_test {
namespace {

using Call = KeyRecorder::Call;
using Calls = std::vector<Call>;

// The calls of a full report: every key 1..keys with the pressed ones at 1,
// then the end marker.
Calls fullReport(int keys, const std::vector<int>& pressed) {
  Calls calls;
  for (int key = 1; key <= keys; ++key)
    calls.emplace_back(key, std::count(pressed.begin(), pressed.end(), key) ? 1 : 0);
  calls.emplace_back(0, 0);
  return calls;
}

Calls after(const Calls& calls, size_t first) {
  return Calls(calls.begin() + static_cast<long>(std::min(first, calls.size())), calls.end());
}

class KeyInputTest : public ControllerTest {
 protected:
  void TearDown() override {
    if (controller) controller->Close();
    ControllerTest::TearDown();
  }
  // Enables key input and waits for the first full report.
  void enable(int keys, bool allow128 = false) {
    ASSERT_TRUE(controller->EnableKeyMatrix(true, KeyRecorder::callback, &recorder, allow128));
    ASSERT_TRUE(recorder.waitForCall({0, 0}));
    ASSERT_EQ(recorder.count(), 1u + static_cast<size_t>(keys) + 1u);
  }
  // Presses (or releases) a key and waits until the callback heard of it.
  void press(int key, bool down = true) {
    const size_t seen = recorder.count();
    ASSERT_TRUE(down ? rack.press(kSerial, key) : rack.release(kSerial, key));
    ASSERT_TRUE(recorder.waitFor([&](const Calls& calls) { return calls.size() > seen; }));
  }

  KeyRecorder recorder;
};

TEST_F(KeyInputTest, StartMarkerAndFullReportThenOnlyChanges) {
  ASSERT_TRUE(rack.press(kSerial, 3));
  ASSERT_TRUE(controller->EnableKeyMatrix(true, KeyRecorder::callback, &recorder, false));
  // The start marker comes before EnableKeyMatrix returns.
  EXPECT_EQ(recorder.calls().front(), Call(0, 1));
  ASSERT_TRUE(recorder.waitForCall({0, 0}));
  EXPECT_EQ(after(recorder.calls(), 1), fullReport(64, {3}));
  EXPECT_EQ(recorder.serialSeen(), kSerial);
  EXPECT_EQ(view().keyMode, 1);

  const size_t full = recorder.count();
  press(5);
  press(3, false);
  // Keys of the second report of the set come at once, not a change later.
  press(40);
  press(40, false);
  EXPECT_EQ(after(recorder.calls(), full), (Calls{{5, 1}, {3, 0}, {40, 1}, {40, 0}}));
  const auto reports = reportsTaken(kSerial, 1);
  EXPECT_EQ(std::count(reports.begin(), reports.end(), report({0x19})), 1);
}

TEST_F(KeyInputTest, EnablingTwiceOrWithoutACallbackFails) {
  EXPECT_FALSE(controller->EnableKeyMatrix(false));
  EXPECT_FALSE(controller->EnableKeyMatrix(true, nullptr, nullptr, false));
  enable(64);
  EXPECT_FALSE(controller->EnableKeyMatrix(true, KeyRecorder::callback, &recorder, false));
  ASSERT_TRUE(controller->EnableKeyMatrix(false));
  EXPECT_EQ(reportsTaken(kSerial, 1).back(), report({0x18, 0}));
  EXPECT_EQ(view().keyMode, 0);
  EXPECT_FALSE(controller->EnableKeyMatrix(false));
}

TEST_F(KeyInputTest, ACallbackThatStopsEndsTheKeyThread) {
  recorder.stopAtKey(5);
  ASSERT_TRUE(controller->EnableKeyMatrix(true, KeyRecorder::callback, &recorder, false));
  ASSERT_TRUE(recorder.waitForCall({0, 0}));
  EXPECT_EQ(recorder.calls(), (Calls{{0, 1}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {0, 0}}));

  // The thread has ended: a change the board reports reaches nobody. (A
  // running thread would report it well within this time.)
  ASSERT_TRUE(rack.press(kSerial, 1));
  ASSERT_TRUE(waitUntil([&] { return view().pressedKeys == std::vector<int>{1}; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(recorder.count(), 7u);
  // Key input stays enabled until it is switched off.
  EXPECT_FALSE(controller->EnableKeyMatrix(true, KeyRecorder::callback, &recorder, false));
  EXPECT_TRUE(controller->EnableKeyMatrix(false));
}

TEST_F(KeyInputTest, The64KeyModeNeverReportsHigherKeys) {
  enable(64);
  const size_t full = recorder.count();
  // Reports of the upper keys, as a board in the wrong mode might send them.
  ASSERT_TRUE(rack.sendInputReport(kSerial, 1, report({0x19})));
  ASSERT_TRUE(rack.sendInputReport(kSerial, 1, report({0x1A})));
  ASSERT_TRUE(rack.sendInputReport(kSerial, 1, report({0x1B, 0xFF, 0xFF, 0xFF, 0xFF})));
  ASSERT_TRUE(rack.sendInputReport(kSerial, 1, report({0x1C, 0xFF, 0xFF, 0xFF, 0xFF})));
  press(2);
  EXPECT_EQ(after(recorder.calls(), full), (Calls{{2, 1}}));
}

// A board that sends only the key report that changed, not the whole set:
// each report is told as it comes, without waiting for the set's last one.
TEST_F(KeyInputTest, EachKeyReportIsToldAsItComes) {
  enable(64);
  lab::BoardFaults partial;
  partial.partialKeyReports = true;
  ASSERT_TRUE(rack.setFaults(kSerial, partial));
  const size_t full = recorder.count();
  press(5);  // only report 0x19 comes
  press(40);  // only 0x1A
  press(5, false);
  EXPECT_EQ(after(recorder.calls(), full), (Calls{{5, 1}, {40, 1}, {5, 0}}));
}

class Key128Test : public KeyInputTest {
 protected:
  void SetUp() override {
    lab::BoardSetup setup = lab::BoardSetup::panel(kSerial, 0x34, 0x02, 2);
    setup.productId = 0x03EA;
    openController(setup);
  }
};

TEST_F(Key128Test, TheBoardWith128KeysReportsThemAllWhenAllowed) {
  ASSERT_TRUE(rack.press(kSerial, 100));
  ASSERT_TRUE(controller->EnableKeyMatrix(true, KeyRecorder::callback, &recorder, true));
  ASSERT_TRUE(recorder.waitForCall({0, 0}));
  EXPECT_EQ(view().keyMode, 2);
  EXPECT_EQ(after(recorder.calls(), 1), fullReport(128, {100}));

  const size_t full = recorder.count();
  press(100, false);
  press(128);
  press(65);
  EXPECT_EQ(after(recorder.calls(), full), (Calls{{100, 0}, {128, 1}, {65, 1}}));
}

TEST_F(Key128Test, EachKeyReportIsToldAsItComes) {
  enable(128, /*allow128=*/true);
  lab::BoardFaults partial;
  partial.partialKeyReports = true;
  ASSERT_TRUE(rack.setFaults(kSerial, partial));
  const size_t full = recorder.count();
  press(3);
  press(70);
  press(100);
  EXPECT_EQ(after(recorder.calls(), full), (Calls{{3, 1}, {70, 1}, {100, 1}}));
}

TEST_F(Key128Test, WithoutAllowanceItStaysAt64Keys) {
  enable(64, /*allow128=*/false);
  EXPECT_EQ(view().keyMode, 1);
}

TEST_F(KeyInputTest, OtherBoardsStayAt64KeysEvenWhenAllowed) {
  enable(64, /*allow128=*/true);
  EXPECT_EQ(view().keyMode, 1);
}

}  // namespace
}  // namespace controller_test
