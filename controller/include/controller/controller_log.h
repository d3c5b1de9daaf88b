#pragma once
#include <cstdint>
#include <mutex>
#include <string>

// The controller library's own log, apart from the panel driver's: one
// folder per day under "<app data>/Quornel Limited/Controller Logs", one
// file per reporting thread ("Vantrix Controller - <thread id>.log"). A new
// file starts with a header naming the program, thread and process. Lines:
//   "12/09/26 22:51:03 3 [0000A3F1] [ CVantrixController::Write]: text"
class ControllerLog {
 public:
  // Finds the day's folder (creating it) and writes the header when the
  // thread's file is new. Folders or files that cannot be made lose lines
  // silently.
  ControllerLog();
  ControllerLog(const ControllerLog&) = delete;
  ControllerLog& operator=(const ControllerLog&) = delete;

  // Appends one line; written when the level is 3 or the log is enabled.
  // Messages longer than 499 characters are cut there.
  void write(int level, const char* operationName, const char* format, ...)
      __attribute__((format(printf, 4, 5)));

  const std::string& path() const { return path_; }
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled) { enabled_ = enabled; }

 private:
  void writeHeader();
  void append(const std::string& line);

  std::mutex lock_;
  std::string path_;
  bool enabled_ = true;
};

// What the system tells about a fault raised inside a transfer, as the
// fault guards receive it.
struct FaultRecord {
  uint32_t code = 0;
  const void* address = nullptr;
  uint32_t parameterCount = 0;
  uintptr_t firstParameter = 0;  // access violation: 0 read, 1 write, 8 execute
};

constexpr uint32_t kAccessViolation = 0xC0000005;
constexpr uint32_t kStackOverflow = 0xC00000FD;

// Writes a fault of `operationName` to the controller log; true when the
// fault is one that the guard handles (an access violation or a stack
// overflow), so that the transfer fails with -1 instead of ending the
// program. Where the compiler has no structured fault guards the transfers
// run unguarded and nothing calls this.
bool reportFault(uint32_t code, const FaultRecord& record, const char* operationName);
