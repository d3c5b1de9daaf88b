// Arrival and removal of the lab's emulated boards: descriptors that the
// lab's board emulator puts into and takes out of <runtime dir>/hid.
#include "platform/hid.h"
#include "platform/hid_lab.h"
#include "platform/runtime_dir.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "posix/hid_backend.h"

namespace platform {
namespace {

// Descriptors are renamed into place (arrival) and unlinked (removal).
constexpr uint32_t kArrivalMask = IN_MOVED_TO | IN_CREATE;
constexpr uint32_t kRemovalMask = IN_DELETE | IN_MOVED_FROM;

class InotifyWatcher final : public DeviceChangeWatcher {
 public:
  InotifyWatcher(int inotifyFd, int stopFd, Callback callback, void* user)
      : inotifyFd_(inotifyFd), stopFd_(stopFd), callback_(callback), user_(user) {
    thread_ = std::thread([this] { run(); });
  }

  ~InotifyWatcher() override {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(stopFd_, &one, sizeof one);
    thread_.join();
    ::close(inotifyFd_);
    ::close(stopFd_);
  }

 private:
  void run() {
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
      pollfd fds[2] = {{inotifyFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[1].revents) return;
      ssize_t size = ::read(inotifyFd_, buffer, sizeof buffer);
      if (size <= 0) continue;
      for (ssize_t offset = 0; offset < size;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
        offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        report(*event);
      }
    }
  }

  void report(const inotify_event& event) {
    if (event.len == 0 || (event.mask & IN_ISDIR)) return;
    auto path = hidlab::interfacePathOf(event.name);  // temporary files are no interface
    if (!path) return;
    if (event.mask & kArrivalMask) callback_(Change::Arrival, *path, user_);
    if (event.mask & kRemovalMask) callback_(Change::RemoveComplete, *path, user_);
  }

  const int inotifyFd_;
  const int stopFd_;
  const Callback callback_;
  void* const user_;
  std::thread thread_;
};

}  // namespace

namespace posix {

std::unique_ptr<DeviceChangeWatcher> watchLabInterfaces(DeviceChangeWatcher::Callback callback,
                                                        void* user) {
  std::string folder = hidlab::folderIn(runtimeDir());
  ::mkdir(folder.c_str(), 0700);  // the watch needs the folder before any board
  int inotifyFd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  int stopFd = ::eventfd(0, EFD_CLOEXEC);
  if (inotifyFd < 0 || stopFd < 0 ||
      ::inotify_add_watch(inotifyFd, folder.c_str(), kArrivalMask | kRemovalMask) < 0) {
    if (inotifyFd >= 0) ::close(inotifyFd);
    if (stopFd >= 0) ::close(stopFd);
    return nullptr;
  }
  return std::make_unique<InotifyWatcher>(inotifyFd, stopFd, callback, user);
}

}  // namespace posix
}  // namespace platform
