// The USB backend's entry points: real boards through libusb-1.0, with a
// watcher thread that turns the library's hot-plug events into notices.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/last_error.h"
#include "posix/hid_backend.h"
#include "posix/usb_boards.h"
#include "posix/usb_hotplug.h"

namespace platform::posix {
namespace {

using usb::HotplugNotices;

// The library calls back on its event thread, where no synchronous
// transfer may run; the notices go to the watcher's own thread, on which
// the callback may enumerate and open boards.
class UsbWatcher final : public DeviceChangeWatcher {
 public:
  UsbWatcher(usb::UsbLibrary& library, Callback callback, void* user)
      : callback_(callback), user_(user) {
    notices_.seed(library.devices());
    thread_ = std::thread([this] { run(); });
    hotplug_ = library.watch([this](bool arrived, const usb::UsbDeviceFacts& device) {
      std::lock_guard lock(mutex_);
      auto notices = arrived ? notices_.arrived(device) : notices_.left(device);
      pending_.insert(pending_.end(), notices.begin(), notices.end());
      changed_.notify_all();
    });
  }

  bool watching() const { return hotplug_ != nullptr; }

  ~UsbWatcher() override {
    hotplug_.reset();  // no hot-plug call after this
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

 private:
  void run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return stopping_ || !pending_.empty(); });
      if (stopping_) return;
      HotplugNotices::Notice notice = std::move(pending_.front());
      pending_.pop_front();
      lock.unlock();
      callback_(notice.first, notice.second, user_);
      lock.lock();
    }
  }

  const Callback callback_;
  void* const user_;
  std::mutex mutex_;
  std::condition_variable changed_;
  HotplugNotices notices_;
  std::deque<HotplugNotices::Notice> pending_;
  bool stopping_ = false;
  std::thread thread_;
  std::unique_ptr<usb::UsbHotplug> hotplug_;
};

}  // namespace

std::vector<HidInterfaceInfo> enumerateUsbInterfaces() {
  usb::UsbBoards* boards = usb::UsbBoards::process();
  std::vector<HidInterfaceInfo> interfaces = boards ? boards->enumerate() : std::vector<HidInterfaceInfo>{};
  // No USB at all (a container without /dev/bus/usb) is a machine without
  // boards, not a failure of the HID services.
  setLastError(kErrorSuccess);
  return interfaces;
}

std::unique_ptr<HidDevice> openUsbInterface(const std::string& path, HidDevice::Access access) {
  usb::UsbBoards* boards = usb::UsbBoards::process();
  return boards ? boards->open(path, access) : nullptr;
}

std::unique_ptr<DeviceChangeWatcher> watchUsbInterfaces(DeviceChangeWatcher::Callback callback,
                                                        void* user) {
  usb::UsbLibrary* library = usb::UsbLibrary::process();
  if (!library) return nullptr;
  auto watcher = std::make_unique<UsbWatcher>(*library, callback, user);
  if (!watcher->watching()) return nullptr;
  return watcher;
}

}  // namespace platform::posix
