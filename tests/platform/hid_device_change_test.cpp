// Device-change notices for the lab's boards: one Arrival per interface when
// a board is plugged, one RemoveComplete per interface when it goes.
#include "hid_fixture.h"

#include <platform/hid_lab.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

namespace hidtest {
namespace {

using Change = platform::DeviceChangeWatcher::Change;

struct Notice {
  Change change;
  std::string path;
  bool operator==(const Notice&) const = default;
};

class NoticeRecorder {
 public:
  static void record(Change change, const std::string& path, void* user) {
    auto* self = static_cast<NoticeRecorder*>(user);
    std::lock_guard lock(self->mutex_);
    self->notices_.push_back({change, path});
    self->onOtherThread_ = self->onOtherThread_ && std::this_thread::get_id() != self->testThread_;
    self->changed_.notify_all();
  }

  // Waits for count notices in all and returns them.
  std::vector<Notice> waitFor(size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, kPatience, [&] { return notices_.size() >= count; });
    return notices_;
  }

  bool onOtherThread() {
    std::lock_guard lock(mutex_);
    return onOtherThread_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Notice> notices_;
  std::thread::id testThread_ = std::this_thread::get_id();
  bool onOtherThread_ = true;
};

std::vector<Notice> noticesOf(Change change, std::vector<std::string> paths) {
  std::vector<Notice> notices;
  for (std::string& path : paths) notices.push_back({change, std::move(path)});
  return notices;
}

// The order of one board's interfaces among themselves is the system's.
std::vector<Notice> sorted(std::vector<Notice> notices) {
  std::sort(notices.begin(), notices.end(),
            [](const Notice& a, const Notice& b) { return a.path < b.path; });
  return notices;
}

class DeviceChangeTest : public HidFixture {
 protected:
  std::vector<std::string> pathsOf(const std::string& serial) {
    std::vector<std::string> paths;
    for (const auto& info : interfacesOf(serial)) paths.push_back(info.path);
    std::sort(paths.begin(), paths.end());
    return paths;
  }
};

TEST_F(DeviceChangeTest, EachInterfaceArrivesAndGoesWithItsPath) {
  NoticeRecorder recorder;
  auto watcher = platform::DeviceChangeWatcher::start(&NoticeRecorder::record, &recorder);
  ASSERT_TRUE(watcher);

  ASSERT_TRUE(rack.plug(lab::BoardSetup::panel(kSerial, 0x34, 0x01, 1)));
  auto paths = pathsOf(kSerial);
  ASSERT_EQ(paths.size(), 2u);
  auto notices = recorder.waitFor(2);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(sorted(notices), noticesOf(Change::Arrival, paths));

  ASSERT_TRUE(rack.unplug(kSerial));
  notices = recorder.waitFor(4);
  ASSERT_EQ(notices.size(), 4u);
  EXPECT_EQ(sorted({notices.begin() + 2, notices.end()}), noticesOf(Change::RemoveComplete, paths));

  // A board plugged again arrives under the same paths; a broken one with
  // three interfaces arrives three times. Nothing else came in between.
  ASSERT_TRUE(rack.plug(lab::BoardSetup::panel(kSerial, 0x34, 0x01, 1)));
  auto broken = lab::BoardSetup::blank("0000BEEF");
  broken.matchingInterfaces = 3;
  ASSERT_TRUE(rack.plug(broken));
  auto brokenPaths = pathsOf("0000BEEF");
  ASSERT_EQ(brokenPaths.size(), 3u);
  notices = recorder.waitFor(9);
  ASSERT_EQ(notices.size(), 9u);
  EXPECT_EQ(sorted({notices.begin() + 4, notices.begin() + 6}), noticesOf(Change::Arrival, paths));
  EXPECT_EQ(sorted({notices.begin() + 6, notices.end()}), noticesOf(Change::Arrival, brokenPaths));
  EXPECT_TRUE(recorder.onOtherThread());
}

TEST_F(DeviceChangeTest, WatchingStartsBeforeAnyBoardFolderExists) {
  testsupport::TestEnvironment fresh;  // no rack has made its hid folder
  std::string folder = platform::hidlab::folderIn(fresh.runtimeDir());
  ASSERT_FALSE(std::filesystem::exists(folder));
  NoticeRecorder recorder;
  auto watcher = platform::DeviceChangeWatcher::start(&NoticeRecorder::record, &recorder);
  ASSERT_TRUE(watcher);
  EXPECT_TRUE(std::filesystem::is_directory(folder));

  lab::BoardRack freshRack(fresh.runtimeDir());
  ASSERT_TRUE(freshRack.plug(lab::BoardSetup::blank(kSerial)));
  EXPECT_EQ(recorder.waitFor(2).size(), 2u);
}

TEST_F(DeviceChangeTest, StoppingTheWatcherEndsItsCalls) {
  auto recorder = std::make_unique<NoticeRecorder>();
  auto watcher = platform::DeviceChangeWatcher::start(&NoticeRecorder::record, recorder.get());
  ASSERT_TRUE(watcher);
  ASSERT_TRUE(rack.plug(lab::BoardSetup::blank(kSerial)));
  EXPECT_EQ(recorder->waitFor(2).size(), 2u);
  watcher.reset();
  // A call now would reach freed memory, which the sanitizer builds report.
  recorder.reset();
  ASSERT_TRUE(rack.unplug(kSerial));
  ASSERT_TRUE(rack.plug(lab::BoardSetup::blank(kSerial)));
}

}  // namespace
}  // namespace hidtest
