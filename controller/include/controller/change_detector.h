#pragma once
#include <platform/hid.h>

#include <cstdint>
#include <memory>

// Tells its owner when a Vantrix board is plugged in or pulled out while
// the program runs, so that it can load its controllers afresh. Each board
// gives one call per change, although both its interfaces come and go.
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

 private:
  static void onDeviceChange(platform::DeviceChangeWatcher::Change change,
                             const std::string& interfacePath, void* detector);

  Callback callback_ = nullptr;
  void* user_ = nullptr;
  std::unique_ptr<platform::DeviceChangeWatcher> watcher_;
};
