#include "platform/named_shared_memory.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <mutex>

#include "posix/named_object_file.h"

namespace platform {
namespace {

// Readers share this byte, a writer holds it alone; the presence byte 0 is
// the object file's own.
constexpr off_t kAccessByte = 1;

bool layOut(int fd, size_t size, const void* initialContent) {
  // Whatever a former holder left in the file is dropped.
  if (ftruncate(fd, 0) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) return false;
  if (!initialContent) return true;
  return pwrite(fd, initialContent, size, 0) == static_cast<ssize_t>(size);
}

}  // namespace

struct NamedSharedMemory::Impl {
  int fd = -1;
  std::string path;  // the object's file, removed by its last holder
  uint8_t* memory = nullptr;
  size_t size = 0;
  // The byte lock belongs to the handle, not to a thread: threads sharing
  // one handle take turns here first, readers too, so that one reader's
  // unlock never ends another's hold.
  mutable std::mutex turn;

  ~Impl() {
    if (memory) munmap(memory, size);
    posix::leaveNamedObject(fd, path);
  }
};

namespace {

std::unique_ptr<NamedSharedMemory> join(const std::string& name, posix::JoinMode mode,
                                        size_t size, const void* initialContent,
                                        bool* alreadyExisted) {
  if (mode == posix::JoinMode::CreateOrOpen && size == 0) return nullptr;
  const std::string path = posix::namedObjectPath("memory", name);
  auto joined = posix::joinNamedObject(path, mode,
                                       [&](int fd) { return layOut(fd, size, initialContent); });
  if (!joined) return nullptr;
  auto impl = std::make_unique<NamedSharedMemory::Impl>();
  impl->fd = joined->fd;
  impl->path = path;
  struct stat info {};
  // An empty file is one whose creator died before laying it out.
  if (fstat(impl->fd, &info) != 0 || info.st_size <= 0) return nullptr;
  impl->size = static_cast<size_t>(info.st_size);
  void* memory = mmap(nullptr, impl->size, PROT_READ | PROT_WRITE, MAP_SHARED, impl->fd, 0);
  if (memory == MAP_FAILED) return nullptr;
  impl->memory = static_cast<uint8_t*>(memory);
  if (alreadyExisted) *alreadyExisted = !joined->created;
  return std::make_unique<NamedSharedMemory>(std::move(impl));
}

bool inside(size_t offset, size_t length, size_t size) {
  return offset <= size && length <= size - offset;
}

}  // namespace

NamedSharedMemory::NamedSharedMemory(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

NamedSharedMemory::~NamedSharedMemory() = default;

std::unique_ptr<NamedSharedMemory> NamedSharedMemory::createOrOpen(const std::string& name,
                                                                   size_t size,
                                                                   const void* initialContent,
                                                                   bool* alreadyExisted) {
  return join(name, posix::JoinMode::CreateOrOpen, size, initialContent, alreadyExisted);
}

std::unique_ptr<NamedSharedMemory> NamedSharedMemory::openExisting(const std::string& name) {
  return join(name, posix::JoinMode::OpenExisting, 0, nullptr, nullptr);
}

void NamedSharedMemory::removeAbandoned() { posix::removeAbandonedNamedObjects("memory"); }

size_t NamedSharedMemory::size() const { return impl_->size; }

bool NamedSharedMemory::read(size_t offset, void* buffer, size_t length) const {
  if (!inside(offset, length, impl_->size) || (!buffer && length > 0)) return false;
  std::lock_guard<std::mutex> turn(impl_->turn);
  if (!posix::lockByte(impl_->fd, kAccessByte, posix::LockKind::Shared)) return false;
  if (length > 0) std::memcpy(buffer, impl_->memory + offset, length);
  posix::unlockByte(impl_->fd, kAccessByte);
  return true;
}

bool NamedSharedMemory::write(size_t offset, const void* data, size_t length) {
  if (!inside(offset, length, impl_->size) || (!data && length > 0)) return false;
  std::lock_guard<std::mutex> turn(impl_->turn);
  if (!posix::lockByte(impl_->fd, kAccessByte, posix::LockKind::Exclusive)) return false;
  if (length > 0) std::memcpy(impl_->memory + offset, data, length);
  posix::unlockByte(impl_->fd, kAccessByte);
  return true;
}

}  // namespace platform
