#include <controller/change_detector.h>

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

TEST_F(ChangeDetectorTest, StopWithoutStartReturnsAtOnce) {
  ChangeDetector detector;
  EXPECT_EQ(detector.Stop(), 0);
}

}  // namespace
}  // namespace controller_test
