#include "controller/change_detector.h"

#include <algorithm>
#include <cctype>

#include "controller/interface_name.h"

namespace {

// A board's pin interface stands for its removal.
constexpr uint32_t kPinInterface = 0;
constexpr uint32_t kSpecialInterface = 1;

bool isVantrixBoardInterface(const std::string& path) {
  return isVantrixInterface(path, kPinInterface) || isVantrixInterface(path, kSpecialInterface);
}

// Interface paths ignore letter case.
bool samePath(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return std::tolower(x) == std::tolower(y);
  });
}

}  // namespace

int ChangeDetector::Start(Callback callback, void* user) {
  Stop();
  callback_ = callback;
  user_ = user;
  arrivedBoards_.clear();
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
  if (!self.callback_ || !isVantrixBoardInterface(interfacePath)) return;
  ++self.changesSeen_;
  using Change = platform::DeviceChangeWatcher::Change;
  if (change == Change::Arrival) self.onArrival(interfacePath);
  if (change == Change::RemoveComplete) self.onRemoval(interfacePath);
}

// An interface alone is no board yet (the device list would not open it),
// so the board is told as arrived when the interface that completes it
// comes, whichever of the two that is.
void ChangeDetector::onArrival(const std::string& interfacePath) {
  const auto present = platform::enumerateHidInterfaces();
  const platform::HidInterfaceInfo* arrived = nullptr;
  for (const auto& info : present)
    if (samePath(info.path, interfacePath)) arrived = &info;
  if (!arrived) return;  // gone again already
  bool hasPin = false, hasSpecial = false;
  std::set<std::string> paths;
  for (const auto& info : present) {
    if (info.groupingNode != arrived->groupingNode) continue;
    hasPin = hasPin || isVantrixInterface(info.path, kPinInterface);
    hasSpecial = hasSpecial || isVantrixInterface(info.path, kSpecialInterface);
    paths.insert(info.path);
  }
  if (!hasPin || !hasSpecial) return;
  if (!arrivedBoards_.emplace(arrived->groupingNode, std::move(paths)).second) return;
  callback_(kBoardArrived, user_);
}

void ChangeDetector::onRemoval(const std::string& interfacePath) {
  for (auto board = arrivedBoards_.begin(); board != arrivedBoards_.end(); ++board) {
    bool ofBoard = false;
    for (const std::string& path : board->second) ofBoard = ofBoard || samePath(path, interfacePath);
    if (ofBoard) {
      arrivedBoards_.erase(board);
      break;
    }
  }
  if (isVantrixInterface(interfacePath, kPinInterface)) callback_(kBoardRemoved, user_);
}
