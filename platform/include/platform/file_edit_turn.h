#pragma once
#include <memory>
#include <string>

namespace platform {

// The turn to change a file that other programs change too (a launch file,
// a settings file): held for a whole read-change-write cycle, it keeps every
// other holder of a turn on the same file - in this process or another -
// waiting, so that no cycle loses another's change. Waits for the turn on
// construction; gives it up on destruction, on the thread that took it. A
// thread that holds the turn may take it again.
class FileEditTurn {
 public:
  explicit FileEditTurn(const std::string& path);
  ~FileEditTurn();
  FileEditTurn(const FileEditTurn&) = delete;
  FileEditTurn& operator=(const FileEditTurn&) = delete;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
