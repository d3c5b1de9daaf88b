#include "platform/named_shared_memory.h"

#include <windows.h>

#include <cstring>

#include "win32/object_names.h"

namespace platform {

// A page-file-backed file mapping. Our own processes take turns on it
// through a named mutex beside it, so that one call's read or write is
// whole and a new block's content is in place before anyone else maps it.
// The block itself holds nothing but its bytes, as other programs expect.
struct NamedSharedMemory::Impl {
  HANDLE mapping = nullptr;
  HANDLE turn = nullptr;  // the mutex beside the block
  uint8_t* view = nullptr;
  size_t size = 0;

  ~Impl() {
    if (view) UnmapViewOfFile(view);
    if (mapping) CloseHandle(mapping);
    if (turn) CloseHandle(turn);
  }
};

namespace {

std::wstring turnName(const std::string& name) {
  return win32::kernelObjectName(name + " turn");
}

// Holds the block's mutex for one scope; an owner that died left it to us.
class Turn {
 public:
  explicit Turn(HANDLE mutex) : mutex_(mutex) {
    DWORD got = WaitForSingleObject(mutex_, INFINITE);
    held_ = got == WAIT_OBJECT_0 || got == WAIT_ABANDONED;
  }
  ~Turn() {
    if (held_) ReleaseMutex(mutex_);
  }
  bool held() const { return held_; }

 private:
  HANDLE mutex_;
  bool held_ = false;
};

// Maps the whole block; its size is that of the view the system made.
bool mapView(NamedSharedMemory::Impl& impl) {
  impl.view = static_cast<uint8_t*>(MapViewOfFile(impl.mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!impl.view) return false;
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(impl.view, &info, sizeof info) == 0) return false;
  if (impl.size == 0) impl.size = info.RegionSize;
  return true;
}

}  // namespace

NamedSharedMemory::NamedSharedMemory(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

NamedSharedMemory::~NamedSharedMemory() = default;

std::unique_ptr<NamedSharedMemory> NamedSharedMemory::createOrOpen(const std::string& name,
                                                                   size_t size,
                                                                   const void* initialContent,
                                                                   bool* alreadyExisted) {
  if (size == 0) return nullptr;
  auto impl = std::make_unique<Impl>();
  impl->turn = CreateMutexW(nullptr, FALSE, turnName(name).c_str());
  if (!impl->turn) return nullptr;
  Turn turn(impl->turn);
  if (!turn.held()) return nullptr;
  const unsigned long long bytes = size;
  impl->mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                     static_cast<DWORD>(bytes >> 32), static_cast<DWORD>(bytes),
                                     win32::kernelObjectName(name).c_str());
  if (!impl->mapping) return nullptr;
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  if (!existed) impl->size = size;
  if (!mapView(*impl)) return nullptr;
  // A new mapping is zeros; the content goes in while we hold the turn.
  if (!existed && initialContent) std::memcpy(impl->view, initialContent, size);
  if (alreadyExisted) *alreadyExisted = existed;
  return std::make_unique<NamedSharedMemory>(std::move(impl));
}

std::unique_ptr<NamedSharedMemory> NamedSharedMemory::openExisting(const std::string& name) {
  auto impl = std::make_unique<Impl>();
  impl->mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, win32::kernelObjectName(name).c_str());
  if (!impl->mapping) return nullptr;
  impl->turn = CreateMutexW(nullptr, FALSE, turnName(name).c_str());
  if (!impl->turn) return nullptr;
  Turn turn(impl->turn);
  if (!turn.held() || !mapView(*impl)) return nullptr;
  return std::make_unique<NamedSharedMemory>(std::move(impl));
}

// The system removes a mapping with its last handle, also a killed holder's.
void NamedSharedMemory::removeAbandoned() {}

size_t NamedSharedMemory::size() const { return impl_->size; }

bool NamedSharedMemory::read(size_t offset, void* buffer, size_t length) const {
  if (offset > impl_->size || length > impl_->size - offset) return false;
  Turn turn(impl_->turn);
  if (!turn.held()) return false;
  std::memcpy(buffer, impl_->view + offset, length);
  return true;
}

bool NamedSharedMemory::write(size_t offset, const void* data, size_t length) {
  if (offset > impl_->size || length > impl_->size - offset) return false;
  Turn turn(impl_->turn);
  if (!turn.held()) return false;
  std::memcpy(impl_->view + offset, data, length);
  return true;
}

}  // namespace platform
