// Arrival and removal of HID interfaces: the system's device-interface
// broadcasts for the HID class, received by a hidden window of our own.
#include <windows.h>
// windows.h first: dbt.h builds on its types.
#include <dbt.h>

#include <cstdio>

#include "platform/hid.h"
#include "win32/device_broadcast.h"
#include "win32/hid_services.h"
#include "win32/window_thread.h"

namespace platform {
namespace {

class WindowDeviceWatcher final : public DeviceChangeWatcher {
 public:
  WindowDeviceWatcher(Callback callback, void* user, GUID hidClass)
      : callback_(callback), user_(user), hidClass_(hidClass) {}

  // Stops the window's loop; the registration ends on its thread.
  ~WindowDeviceWatcher() override { window_.stop(); }

  bool start() {
    // The change detector is this watcher's user, and its window carries
    // the detector's names.
    win32::WindowThread::Shape shape;
    shape.className = L"VantrixControllerChangeDetector";
    shape.extendedStyle = WS_EX_TOOLWINDOW;
    shape.style = WS_POPUP;
    shape.closeMessage = WM_CLOSE;
    return window_.start(
        shape,
        [this](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
          if (message != WM_DEVICECHANGE) return std::nullopt;
          if (auto notice = win32::deviceInterfaceChangeOf(wParam, lParam))
            callback_(notice->change, notice->interfacePath, user_);
          return TRUE;
        },
        [this](HWND window) { return opened(window); },
        [this](HWND) {
          if (registration_) UnregisterDeviceNotification(registration_);
          registration_ = nullptr;
        });
  }

 private:
  // On the window's thread: names the window after it and asks for the
  // HID class's broadcasts.
  bool opened(HWND window) {
    wchar_t title[260];
    std::swprintf(title, 260, L"Vantrix Controller Change Detector (%.08X)",
                  static_cast<unsigned>(GetCurrentThreadId()));
    SetWindowTextW(window, title);
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = hidClass_;
    registration_ = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    return registration_ != nullptr;
  }

  const Callback callback_;
  void* const user_;
  const GUID hidClass_;
  HDEVNOTIFY registration_ = nullptr;  // the window's thread's
  win32::WindowThread window_;
};

}  // namespace

std::unique_ptr<DeviceChangeWatcher> DeviceChangeWatcher::start(Callback callback, void* user) {
  if (!callback) return nullptr;
  GUID hidClass{};
  {
    auto hid = win32::HidServices::load();
    if (!hid) return nullptr;
    hidClass = hid->hidClass();
  }
  auto watcher = std::make_unique<WindowDeviceWatcher>(callback, user, hidClass);
  if (!watcher->start()) return nullptr;
  return watcher;
}

}  // namespace platform
