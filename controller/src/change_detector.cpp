#include "controller/change_detector.h"

#include "controller/interface_name.h"

namespace {

// A board announces both interfaces; its special-mode interface stands for
// its arrival and its pin interface for its removal.
constexpr uint32_t kArrivalInterface = 1;
constexpr uint32_t kRemovalInterface = 0;

}  // namespace

int ChangeDetector::Start(Callback callback, void* user) {
  Stop();
  callback_ = callback;
  user_ = user;
  watcher_ = platform::DeviceChangeWatcher::start(onDeviceChange, this);
  return 0;
}

int ChangeDetector::Stop() {
  watcher_.reset();  // waits for the watcher's thread
  return 0;
}

void ChangeDetector::onDeviceChange(platform::DeviceChangeWatcher::Change change,
                                    const std::string& interfacePath, void* detector) {
  auto& self = *static_cast<ChangeDetector*>(detector);
  if (!self.callback_) return;
  using Change = platform::DeviceChangeWatcher::Change;
  if (change == Change::Arrival && isVantrixInterface(interfacePath, kArrivalInterface))
    self.callback_(kBoardArrived, self.user_);
  else if (change == Change::RemoveComplete && isVantrixInterface(interfacePath, kRemovalInterface))
    self.callback_(kBoardRemoved, self.user_);
}
