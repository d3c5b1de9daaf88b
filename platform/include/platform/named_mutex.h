#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// A mutex that other processes of the same user find by name. It exists while
// at least one handle to it is open anywhere, and disappears when the last
// holder closes it or its process ends (even by a crash).
class NamedMutex {
 public:
  enum class WaitResult { Acquired, Timeout, Failed };

  // Opens the mutex if some process holds a handle to it; null otherwise.
  static std::unique_ptr<NamedMutex> openExisting(const std::string& name);

  // Creates the mutex, or opens it when it already exists (alreadyExisted is
  // then true). With initiallyOwned the caller owns it on return unless it
  // already existed. Null when the name cannot be used.
  static std::unique_ptr<NamedMutex> create(const std::string& name, bool initiallyOwned,
                                            bool* alreadyExisted = nullptr);

  ~NamedMutex();  // releases ownership if held, then closes the handle
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Waits up to timeoutMs (negative: forever) for ownership.
  WaitResult wait(int timeoutMs);
  void release();
  bool owned() const;

  struct Impl;
  explicit NamedMutex(std::unique_ptr<Impl> impl);

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
