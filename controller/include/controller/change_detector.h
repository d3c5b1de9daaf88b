#pragma once
#include <platform/hid.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

// Tells its owner when a Vantrix board is plugged in or pulled out while
// the program runs, so that it can load its controllers afresh. Each board
// gives one call per change, although both its interfaces come and go: it
// has arrived once both its interfaces are there, in whichever order they
// came, and it has gone with its pin interface.
class ChangeDetector {
 public:
  // Arguments: kBoardArrived or kBoardRemoved, and the user value. Runs on
  // the detector's own thread; its result is not used.
  using Callback = int (*)(uint32_t eventCode, void* user);
  static constexpr uint32_t kBoardArrived = 0x8000;   // DBT_DEVICEARRIVAL
  static constexpr uint32_t kBoardRemoved = 0x8004;   // DBT_DEVICEREMOVECOMPLETE

  ChangeDetector() = default;
  ~ChangeDetector() { Stop(); }
  ChangeDetector(const ChangeDetector&) = delete;
  ChangeDetector& operator=(const ChangeDetector&) = delete;

  // Starts the detector thread; 0. Where watching is not possible the
  // detector simply never calls back.
  int Start(Callback callback, void* user);
  // Stops the detector thread and waits for it; 0. Must not be called from
  // the callback. Calling it again does nothing.
  int Stop();

  // How many changes of Vantrix board interfaces the detector has seen so
  // far. A callback made for a change reads a number no smaller than the
  // change's own; a count read at any moment covers only changes that had
  // happened by then. So work that enumerates the boards after reading the
  // count has seen every change up to it.
  uint64_t changesSeen() const { return changesSeen_.load(); }

 private:
  static void onDeviceChange(platform::DeviceChangeWatcher::Change change,
                             const std::string& interfacePath, void* detector);

  void onArrival(const std::string& interfacePath);
  void onRemoval(const std::string& interfacePath);

  Callback callback_ = nullptr;
  // Boards told as arrived, by grouping node, with the paths of their
  // interfaces, so that a removal can be matched once the interface is gone.
  // Only the watcher's thread touches them.
  std::map<uint64_t, std::set<std::string>> arrivedBoards_;
  void* user_ = nullptr;
  std::atomic<uint64_t> changesSeen_{0};
  std::unique_ptr<platform::DeviceChangeWatcher> watcher_;
};
