// Device-change notices: the broadcasts WM_DEVICECHANGE carries, and the
// watcher's own window receiving them.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: dbt.h builds on its types.
#include <dbt.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "win32/device_broadcast.h"

namespace {

using platform::DeviceChangeWatcher;
using Change = DeviceChangeWatcher::Change;

const wchar_t kBoardPath[] =
    L"\\\\?\\HID#VID_1FD1&PID_03E8&MI_01#7&2f1c0a&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const char kBoardPathUtf8[] =
    "\\\\?\\HID#VID_1FD1&PID_03E8&MI_01#7&2f1c0a&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// A broadcast as the system builds it: the record, then the name.
class Broadcast {
 public:
  Broadcast(DWORD deviceType, const std::wstring& name, size_t nameUnitsCounted) {
    const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    bytes_.assign(nameOffset + (name.size() + 1) * sizeof(wchar_t) + 16, 0);
    auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(bytes_.data());
    record->dbcc_size = static_cast<DWORD>(nameOffset + nameUnitsCounted * sizeof(wchar_t));
    record->dbcc_devicetype = deviceType;
    std::memcpy(record->dbcc_name, name.c_str(), name.size() * sizeof(wchar_t));
  }
  explicit Broadcast(const std::wstring& name)
      : Broadcast(DBT_DEVTYP_DEVICEINTERFACE, name, name.size() + 1) {}
  LPARAM lParam() { return reinterpret_cast<LPARAM>(bytes_.data()); }

 private:
  std::vector<uint8_t> bytes_;
};

TEST(DeviceInterfaceChangeOf, ArrivalAndRemovalOfAnInterfaceAreNotices) {
  Broadcast broadcast(kBoardPath);
  auto arrival = platform::win32::deviceInterfaceChangeOf(DBT_DEVICEARRIVAL, broadcast.lParam());
  ASSERT_TRUE(arrival);
  EXPECT_EQ(arrival->change, Change::Arrival);
  EXPECT_EQ(arrival->interfacePath, kBoardPathUtf8);
  auto removal =
      platform::win32::deviceInterfaceChangeOf(DBT_DEVICEREMOVECOMPLETE, broadcast.lParam());
  ASSERT_TRUE(removal);
  EXPECT_EQ(removal->change, Change::RemoveComplete);
  EXPECT_EQ(removal->interfacePath, kBoardPathUtf8);
}

TEST(DeviceInterfaceChangeOf, OtherEventsAndKindsOfDeviceAreNone) {
  Broadcast interfaceBroadcast(kBoardPath);
  for (WPARAM event : {WPARAM{DBT_DEVICEQUERYREMOVE}, WPARAM{DBT_DEVICEREMOVEPENDING},
                       WPARAM{DBT_DEVNODES_CHANGED}, WPARAM{DBT_CUSTOMEVENT}})
    EXPECT_FALSE(platform::win32::deviceInterfaceChangeOf(event, interfaceBroadcast.lParam()))
        << event;
  Broadcast volume(DBT_DEVTYP_VOLUME, kBoardPath, std::wcslen(kBoardPath) + 1);
  EXPECT_FALSE(platform::win32::deviceInterfaceChangeOf(DBT_DEVICEARRIVAL, volume.lParam()));
  Broadcast handle(DBT_DEVTYP_HANDLE, kBoardPath, std::wcslen(kBoardPath) + 1);
  EXPECT_FALSE(platform::win32::deviceInterfaceChangeOf(DBT_DEVICEARRIVAL, handle.lParam()));
  // DBT_DEVNODES_CHANGED comes without a record at all.
  EXPECT_FALSE(platform::win32::deviceInterfaceChangeOf(DBT_DEVICEARRIVAL, 0));
}

TEST(DeviceInterfaceChangeOf, TheNameEndsWhereTheBroadcastSaysItDoes) {
  // Counted without its terminator, and shorter than the text behind it.
  Broadcast clipped(DBT_DEVTYP_DEVICEINTERFACE, L"\\\\?\\HID#VID_1FD1&PID_03E8&MI_00#tail", 32);
  auto notice = platform::win32::deviceInterfaceChangeOf(DBT_DEVICEARRIVAL, clipped.lParam());
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->interfacePath, "\\\\?\\HID#VID_1FD1&PID_03E8&MI_00#");
  Broadcast empty(DBT_DEVTYP_DEVICEINTERFACE, L"", 1);
  EXPECT_FALSE(platform::win32::deviceInterfaceChangeOf(DBT_DEVICEARRIVAL, empty.lParam()));
  Broadcast noRoom(DBT_DEVTYP_DEVICEINTERFACE, kBoardPath, 0);
  EXPECT_FALSE(platform::win32::deviceInterfaceChangeOf(DBT_DEVICEARRIVAL, noRoom.lParam()));
}

struct NoticeRecorder {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::pair<Change, std::string>> notices;

  static void record(Change change, const std::string& path, void* self) {
    auto& recorder = *static_cast<NoticeRecorder*>(self);
    {
      std::lock_guard<std::mutex> guard(recorder.mutex);
      recorder.notices.emplace_back(change, path);
    }
    recorder.changed.notify_all();
  }
};

// The watcher's window, found as any other program would find it.
HWND watcherWindow() { return FindWindowW(L"VantrixControllerChangeDetector", nullptr); }

TEST(DeviceChangeWatcher, ItsWindowTurnsInterfaceBroadcastsIntoNotices) {
  NoticeRecorder recorder;
  auto watcher = DeviceChangeWatcher::start(&NoticeRecorder::record, &recorder);
  ASSERT_TRUE(watcher);
  HWND window = watcherWindow();
  ASSERT_TRUE(window);
  wchar_t title[260] = {};
  GetWindowTextW(window, title, 260);
  EXPECT_EQ(std::wstring(title).rfind(L"Vantrix Controller Change Detector (", 0), 0u);

  // Sent from this process, so the record's address holds on the window's
  // thread; the answer comes after the callback ran.
  Broadcast broadcast(kBoardPath);
  EXPECT_EQ(SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, broadcast.lParam()), TRUE);
  EXPECT_EQ(SendMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0), TRUE);
  EXPECT_EQ(SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, broadcast.lParam()),
            TRUE);
  std::lock_guard<std::mutex> guard(recorder.mutex);
  ASSERT_EQ(recorder.notices.size(), 2u);
  EXPECT_EQ(recorder.notices[0], std::make_pair(Change::Arrival, std::string(kBoardPathUtf8)));
  EXPECT_EQ(recorder.notices[1],
            std::make_pair(Change::RemoveComplete, std::string(kBoardPathUtf8)));
}

TEST(DeviceChangeWatcher, StoppingRemovesTheWindowAndCallsNoMore) {
  NoticeRecorder recorder;
  auto watcher = DeviceChangeWatcher::start(&NoticeRecorder::record, &recorder);
  ASSERT_TRUE(watcher);
  HWND window = watcherWindow();
  ASSERT_TRUE(window);
  watcher.reset();
  EXPECT_FALSE(IsWindow(window));
  // A second watcher reuses the class the first registered.
  auto again = DeviceChangeWatcher::start(&NoticeRecorder::record, &recorder);
  EXPECT_TRUE(again);
}

TEST(DeviceChangeWatcher, NoCallbackNoWatcher) {
  EXPECT_FALSE(DeviceChangeWatcher::start(nullptr, nullptr));
}

}  // namespace
