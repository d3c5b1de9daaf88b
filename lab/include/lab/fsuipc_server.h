#pragma once
// The lab's stand-in for FSUIPC (or WideClient): a top-level window that
// answers the "FsasmLib:IPC" exchange over the client's named shared area
// with a sparse offset memory. See docs/lab.md, "The FSUIPC server".
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <platform/window_messages.h>

#include "lab/record_time.h"

namespace lab {
namespace fsuipc {
class OffsetMemory;
}

// One write request as the server performed it.
struct FsuipcWrite {
  uint32_t offset = 0;
  std::vector<uint8_t> bytes;
  size_t exchange = 0;  // 1 for the first exchange the server received
  // When the server performed it, so that tests can see pauses between
  // writes (the lab's record clock, lab/record_time.h).
  RecordTime at{};

  // The same write, whenever it was made.
  bool operator==(const FsuipcWrite& other) const {
    return offset == other.offset && bytes == other.bytes && exchange == other.exchange;
  }
};

class FsuipcServer {
 public:
  // The window class (and title) clients find the server by.
  enum class WindowKind { Fsuipc, WideClient };  // "UIPCMAIN", "FS98MAIN"

  // How the server answers exchanges, so that tests reach a client's error
  // paths.
  enum class AnswerMode {
    Normal,   // performs the requests, answers 1
    Bad,      // answers 0, area untouched
    Silent,   // holds the message kSilentHold, then answers 0, area untouched
    Garbage,  // performs the requests, then points every read's count outside the area
  };

  static constexpr uint32_t kFsuipcVersionOffset = 0x3304;
  static constexpr uint32_t kSimulatorVersionOffset = 0x3308;
  static constexpr uint32_t kLibraryVersionOffset = 0x330A;
  static constexpr uint32_t kInitialFsuipcVersion = 0x49990000;
  static constexpr uint32_t kInitialSimulatorVersion = 0xFADE0008;
  // Longer than the client's 2000 ms send time-out.
  static constexpr std::chrono::milliseconds kSilentHold{2500};
  // The log keeps the newest this many writes.
  static constexpr size_t kKeptWrites = 10000;
  // A client's shared area is 32 KiB; a larger one is bad data.
  static constexpr size_t kLargestArea = 0x8000;

  FsuipcServer();
  ~FsuipcServer();
  FsuipcServer(const FsuipcServer&) = delete;
  FsuipcServer& operator=(const FsuipcServer&) = delete;

  // Opens the window of the current kind; false when it cannot be made (or
  // is open already).
  bool open();
  // Removes the window; a message held in silent mode is answered at once.
  void close();
  bool isOpen() const;

  WindowKind windowKind() const;
  // Reopens the window under the new class when it is open.
  bool setWindowKind(WindowKind kind);
  AnswerMode answerMode() const;
  void setAnswerMode(AnswerMode mode);

  // The offset memory, little-endian; size 1 to 4 (others read 0 and write
  // nothing). Unset bytes read as 0. These bypass the client's view: a set
  // of 0x3308..0x330B changes what clients read there.
  uint32_t get(uint32_t offset, size_t size) const;
  std::vector<uint8_t> bytes(uint32_t offset, size_t count) const;
  void set(uint32_t offset, size_t size, uint32_t value);
  void setSimulatorVersion(uint32_t version) { set(kSimulatorVersionOffset, 4, version); }

  // What the client wrote to 0x330A-0x330B (its library version); nothing
  // until it wrote there.
  std::optional<uint16_t> clientLibraryVersion() const;

  // Every write request performed, oldest first.
  std::vector<FsuipcWrite> writes() const;
  void clearWrites();
  // Messages with the "FsasmLib:IPC" id received, in any answer mode.
  size_t exchanges() const;
  // The shared area names the exchanges named, in the order first seen.
  std::vector<std::string> areaNames() const;

  // Waits until the writes satisfy the condition or the timeout passes;
  // true when they did.
  bool waitUntil(const std::function<bool(const std::vector<FsuipcWrite>&)>& condition,
                 std::chrono::milliseconds timeout) const;

 private:
  bool openWindow();  // with lifecycleMutex_ held
  void closeWindow();
  intptr_t receive(const platform::WindowMessage& message);
  intptr_t exchange(const std::string& areaName, intptr_t firstRequest, size_t exchange);
  void clientWrite(uint32_t offset, std::span<const uint8_t> bytes, size_t exchange);

  mutable std::mutex lifecycleMutex_;  // the window: open, close and reopen, one at a time
  platform::OwnedWindow window_;
  uint32_t ipcMessage_ = 0;

  mutable std::mutex mutex_;  // everything below
  mutable std::condition_variable changed_;
  WindowKind kind_ = WindowKind::Fsuipc;
  AnswerMode answerMode_ = AnswerMode::Normal;
  bool closing_ = false;
  std::unique_ptr<fsuipc::OffsetMemory> memory_;
  std::optional<uint16_t> clientLibraryVersion_;
  std::vector<FsuipcWrite> writes_;
  size_t exchanges_ = 0;
  std::vector<std::string> areaNames_;
};

// Names as the tool and world files write them: "uipcmain", "fs98main";
// "normal", "bad", "silent", "garbage".
std::string_view nameOf(FsuipcServer::WindowKind kind);
std::string_view nameOf(FsuipcServer::AnswerMode mode);
std::optional<FsuipcServer::WindowKind> windowKindNamed(std::string_view name);
std::optional<FsuipcServer::AnswerMode> answerModeNamed(std::string_view name);
// The window class of a kind: "UIPCMAIN" or "FS98MAIN".
std::string_view windowClassOf(FsuipcServer::WindowKind kind);

}  // namespace lab
