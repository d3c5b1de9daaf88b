#pragma once
#include <cstddef>
#include <memory>
#include <string>

namespace platform {

// A block of memory that other processes of the same user find by name, like
// a page-file-backed file mapping. It lives while any process holds a handle;
// a name that nobody holds any more is created afresh by the next
// createOrOpen. Reads and writes of one call are whole: a reader never sees
// half of a concurrent write, in this process or another.
class NamedSharedMemory {
 public:
  // Opens the block of that name if it exists, else creates it with `size`
  // bytes holding initialContent (size bytes; zeros when null). A block that
  // exists keeps the size and content it has. Nobody can see a new block
  // before its initial content is in place. Null when it cannot be made.
  static std::unique_ptr<NamedSharedMemory> createOrOpen(const std::string& name, size_t size,
                                                         const void* initialContent = nullptr,
                                                         bool* alreadyExisted = nullptr);
  // Opens the block only if some process holds it; null otherwise.
  static std::unique_ptr<NamedSharedMemory> openExisting(const std::string& name);

  // Removes the blocks that no process holds any more but whose holders
  // ended without closing them (a killed program), as the system does for
  // file mappings. A block goes by itself when its last holder closes it.
  static void removeAbandoned();

  ~NamedSharedMemory();
  NamedSharedMemory(const NamedSharedMemory&) = delete;
  NamedSharedMemory& operator=(const NamedSharedMemory&) = delete;

  size_t size() const;
  // Copy length bytes at offset out of or into the block; false (and nothing
  // copied) when the range does not lie inside it.
  bool read(size_t offset, void* buffer, size_t length) const;
  bool write(size_t offset, const void* data, size_t length);

  struct Impl;
  explicit NamedSharedMemory(std::unique_ptr<Impl> impl);

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
