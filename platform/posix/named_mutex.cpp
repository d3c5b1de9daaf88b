#include "platform/named_mutex.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "posix/named_object_file.h"

namespace platform {

// Ownership is an exclusive lock on one byte of the object's file, held by
// the handle's own open file description: another handle, in this process or
// another, cannot take it, and it goes with the handle or its process.
struct NamedMutex::Impl {
  int fd = -1;
  std::string path;  // the object's file, removed by its last holder
  // Like a Windows mutex the owner may wait again; it owns until it has
  // released as often as it acquired.
  std::atomic<int> ownCount{0};

  ~Impl() {
    posix::leaveNamedObject(fd, path);
  }
};

namespace {

constexpr off_t kOwnershipByte = 1;

// A waiter looks again after at most this long, so it notices a release
// promptly without spinning.
constexpr auto kFirstRetry = std::chrono::microseconds(500);
constexpr auto kLongestRetry = std::chrono::milliseconds(5);

std::unique_ptr<NamedMutex> join(const std::string& name, posix::JoinMode mode,
                                 bool ownIfCreated, bool* alreadyExisted) {
  auto impl = std::make_unique<NamedMutex::Impl>();
  bool tookOwnership = false;
  const std::string path = posix::namedObjectPath("mutex", name);
  auto joined = posix::joinNamedObject(path, mode, [&](int fd) {
    // Nobody else holds the mutex now, so the ownership byte is free.
    if (ownIfCreated)
      tookOwnership = posix::tryLockByte(fd, kOwnershipByte, posix::LockKind::Exclusive) ==
                      posix::LockAttempt::Locked;
    return !ownIfCreated || tookOwnership;
  });
  if (!joined) return nullptr;
  impl->fd = joined->fd;
  impl->path = path;
  impl->ownCount = tookOwnership ? 1 : 0;
  if (alreadyExisted) *alreadyExisted = !joined->created;
  return std::make_unique<NamedMutex>(std::move(impl));
}

}  // namespace

NamedMutex::NamedMutex(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

NamedMutex::~NamedMutex() = default;  // closing the file drops both locks

std::unique_ptr<NamedMutex> NamedMutex::openExisting(const std::string& name) {
  return join(name, posix::JoinMode::OpenExisting, false, nullptr);
}

std::unique_ptr<NamedMutex> NamedMutex::create(const std::string& name, bool initiallyOwned,
                                               bool* alreadyExisted) {
  return join(name, posix::JoinMode::CreateOrOpen, initiallyOwned, alreadyExisted);
}

NamedMutex::WaitResult NamedMutex::wait(int timeoutMs) {
  if (impl_->ownCount > 0) {
    ++impl_->ownCount;
    return WaitResult::Acquired;
  }
  if (timeoutMs < 0) {
    // The kernel wakes us when the owner lets go or its process ends.
    if (!posix::lockByte(impl_->fd, kOwnershipByte, posix::LockKind::Exclusive))
      return WaitResult::Failed;
    impl_->ownCount = 1;
    return WaitResult::Acquired;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::chrono::microseconds retry = kFirstRetry;
  for (;;) {
    switch (posix::tryLockByte(impl_->fd, kOwnershipByte, posix::LockKind::Exclusive)) {
      case posix::LockAttempt::Locked:
        impl_->ownCount = 1;
        return WaitResult::Acquired;
      case posix::LockAttempt::Failed:
        return WaitResult::Failed;
      case posix::LockAttempt::Busy:
        break;
    }
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return WaitResult::Timeout;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(retry, deadline - now));
    retry = std::min<std::chrono::microseconds>(retry * 2, kLongestRetry);
  }
}

void NamedMutex::release() {
  if (impl_->ownCount <= 0) return;
  if (--impl_->ownCount == 0) posix::unlockByte(impl_->fd, kOwnershipByte);
}

bool NamedMutex::owned() const { return impl_->ownCount > 0; }

}  // namespace platform
