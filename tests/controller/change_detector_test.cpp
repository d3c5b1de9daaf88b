#include <controller/change_detector.h>

#include <algorithm>
#include <set>

#include "board_fixture.h"

namespace controller_test {
namespace {

using lab::BoardSetup;

class ChangeRecorder {
 public:
  static int callback(uint32_t eventCode, void* user) {
    auto& self = *static_cast<ChangeRecorder*>(user);
    std::lock_guard<std::mutex> guard(self.lock_);
    self.codes_.push_back(eventCode);
    self.changed_.notify_all();
    return 0;
  }
  // Loads the boards afresh on every call, as the panel driver's session
  // does, and records the serial numbers it found.
  static int reloadingCallback(uint32_t eventCode, void* user) {
    auto& self = *static_cast<ChangeRecorder*>(user);
    std::set<std::string> found;
    if (iowOpenDevices())
      for (uint32_t index = 1; index <= iowDeviceCount(); ++index) {
        char16_t serial[9] = {};
        iowSerialNumber(iowDeviceHandle(index), serial);
        found.insert(std::string(serial, serial + std::char_traits<char16_t>::length(serial)));
      }
    iowCloseDevices(nullptr);
    {
      std::lock_guard<std::mutex> guard(self.lock_);
      self.reloads_.push_back(found);
    }
    return callback(eventCode, user);
  }
  // Waits for a reload that found the board.
  bool waitForReloadFinding(const std::string& serial) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, kDeadline, [&] {
      return std::any_of(reloads_.begin(), reloads_.end(),
                         [&](const auto& found) { return found.count(serial) > 0; });
    });
  }
  std::vector<std::set<std::string>> reloads() {
    std::lock_guard<std::mutex> guard(lock_);
    return reloads_;
  }
  bool waitForCount(size_t count) {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, kDeadline, [&] { return codes_.size() >= count; });
  }
  std::vector<uint32_t> codes() {
    std::lock_guard<std::mutex> guard(lock_);
    return codes_;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<uint32_t> codes_;
  std::vector<std::set<std::string>> reloads_;
};

using ChangeDetectorTest = BoardTest;

TEST_F(ChangeDetectorTest, EachBoardIsToldOnceWhenItComesAndOnceWhenItGoes) {
  ChangeRecorder recorder;
  ChangeDetector detector;
  ASSERT_EQ(detector.Start(ChangeRecorder::callback, &recorder), 0);

  ASSERT_TRUE(rack.plug(BoardSetup::blank("00000001")));
  ASSERT_TRUE(recorder.waitForCount(1));
  // Other devices come and go unnoticed, before the board goes.
  BoardSetup mouse = BoardSetup::blank("00000002");
  mouse.vendorId = 0x046D;
  mouse.productId = 0xC52B;
  ASSERT_TRUE(rack.plug(mouse));
  ASSERT_TRUE(rack.unplug("00000002"));
  ASSERT_TRUE(rack.unplug("00000001"));
  ASSERT_TRUE(recorder.waitForCount(2));
  // And a later board comes after all of that.
  ASSERT_TRUE(rack.plug(BoardSetup::blank("00000003")));
  ASSERT_TRUE(recorder.waitForCount(3));
  EXPECT_EQ(recorder.codes(), (std::vector<uint32_t>{0x8000, 0x8004, 0x8000}));
  EXPECT_EQ(detector.Stop(), 0);
  EXPECT_EQ(detector.Stop(), 0);
}

// A board whose special-mode interface comes before its pin interface is a
// board only once both are there: that is when it is told, and a reload
// then finds it.
TEST_F(ChangeDetectorTest, ABoardIsToldWhenItsSecondInterfaceComesWhicheverThatIs) {
  ChangeRecorder recorder;
  ChangeDetector detector;
  ASSERT_EQ(detector.Start(ChangeRecorder::reloadingCallback, &recorder), 0);

  BoardSetup reversed = BoardSetup::blank("00000001");
  reversed.interfaceOrder = BoardSetup::InterfaceOrder::SpecialFirst;
  ASSERT_TRUE(rack.plug(reversed));
  // Once the second board is told, the first one's lone interface has been
  // seen too.
  ASSERT_TRUE(rack.plug(BoardSetup::blank("00000002")));
  ASSERT_TRUE(recorder.waitForReloadFinding("00000002"));
  ASSERT_TRUE(rack.completePlug("00000001"));
  ASSERT_TRUE(recorder.waitForReloadFinding("00000001"));
  EXPECT_EQ(recorder.reloads(), (std::vector<std::set<std::string>>{
                                    {"00000002"}, {"00000001", "00000002"}}));

  ASSERT_TRUE(rack.unplug("00000001"));
  ASSERT_TRUE(recorder.waitForCount(3));
  EXPECT_EQ(recorder.codes(), (std::vector<uint32_t>{0x8000, 0x8000, 0x8004}));
}

// The session reloads once for the notices of several changes: a reload
// that looked at the boards after reading the count has seen them all.
TEST_F(ChangeDetectorTest, TheCountOfChangesSeenCoversEveryBoardInterfaceAndNoOtherDevice) {
  struct Seen {
    ChangeDetector detector;
    std::mutex lock;
    std::vector<uint64_t> atCalls;
    static int callback(uint32_t, void* user) {
      auto& self = *static_cast<Seen*>(user);
      std::lock_guard<std::mutex> guard(self.lock);
      self.atCalls.push_back(self.detector.changesSeen());
      return 0;
    }
    size_t calls() {
      std::lock_guard<std::mutex> guard(lock);
      return atCalls.size();
    }
  } seen;
  ASSERT_EQ(seen.detector.Start(Seen::callback, &seen), 0);
  EXPECT_EQ(seen.detector.changesSeen(), 0u);

  ASSERT_TRUE(rack.plug(BoardSetup::blank("00000001")));
  ASSERT_TRUE(rack.waitUntil([&] { return seen.calls() == 1; }, kDeadline));
  BoardSetup mouse = BoardSetup::blank("00000002");
  mouse.vendorId = 0x046D;
  ASSERT_TRUE(rack.plug(mouse));
  ASSERT_TRUE(rack.unplug("00000002"));
  ASSERT_TRUE(rack.unplug("00000001"));
  ASSERT_TRUE(rack.waitUntil(
      [&] { return seen.calls() == 2 && seen.detector.changesSeen() == 4; }, kDeadline))
      << "two interfaces came and went";
  seen.detector.Stop();
  // Neither notice came before its change was counted: the arrival with
  // one of the first two, the removal with one of the last two.
  ASSERT_EQ(seen.atCalls.size(), 2u);
  EXPECT_GE(seen.atCalls[0], 1u);
  EXPECT_LE(seen.atCalls[0], 2u);
  EXPECT_GE(seen.atCalls[1], 3u);
}

TEST_F(ChangeDetectorTest, StopWithoutStartReturnsAtOnce) {
  ChangeDetector detector;
  EXPECT_EQ(detector.Stop(), 0);
}

}  // namespace
}  // namespace controller_test
