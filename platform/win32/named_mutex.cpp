#include "platform/named_mutex.h"

#include <windows.h>

#include "win32/object_names.h"

namespace platform {

struct NamedMutex::Impl {
  HANDLE handle = nullptr;
  int ownCount = 0;  // a mutex is owned as often as it was acquired

  ~Impl() {
    while (ownCount-- > 0) ReleaseMutex(handle);
    if (handle) CloseHandle(handle);
  }
};

NamedMutex::NamedMutex(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

NamedMutex::~NamedMutex() = default;

std::unique_ptr<NamedMutex> NamedMutex::openExisting(const std::string& name) {
  HANDLE handle = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE,
                             win32::kernelObjectName(name).c_str());
  if (!handle) return nullptr;
  auto impl = std::make_unique<Impl>();
  impl->handle = handle;
  return std::make_unique<NamedMutex>(std::move(impl));
}

std::unique_ptr<NamedMutex> NamedMutex::create(const std::string& name, bool initiallyOwned,
                                               bool* alreadyExisted) {
  HANDLE handle = CreateMutexW(nullptr, initiallyOwned ? TRUE : FALSE,
                               win32::kernelObjectName(name).c_str());
  if (!handle) return nullptr;
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  if (alreadyExisted) *alreadyExisted = existed;
  auto impl = std::make_unique<Impl>();
  impl->handle = handle;
  // The system ignores initial ownership of a mutex that existed already.
  impl->ownCount = initiallyOwned && !existed ? 1 : 0;
  return std::make_unique<NamedMutex>(std::move(impl));
}

NamedMutex::WaitResult NamedMutex::wait(int timeoutMs) {
  switch (WaitForSingleObject(impl_->handle, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs))) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:  // its owner ended without releasing: ours now
      ++impl_->ownCount;
      return WaitResult::Acquired;
    case WAIT_TIMEOUT:
      return WaitResult::Timeout;
    default:
      return WaitResult::Failed;
  }
}

void NamedMutex::release() {
  if (impl_->ownCount <= 0) return;
  --impl_->ownCount;
  ReleaseMutex(impl_->handle);
}

bool NamedMutex::owned() const { return impl_->ownCount > 0; }

}  // namespace platform
