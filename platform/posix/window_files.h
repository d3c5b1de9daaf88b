#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::posix {

// Where windows, registered messages and atoms of this user live.
std::string windowsFolder();

// A window is two files under one stem in that folder: its description,
// which its owner holds locked while the window lives, and its socket.
constexpr const char* kWindowDescriptionSuffix = ".window";
constexpr const char* kWindowSocketSuffix = ".sock";

// Runs update over the lines of a table file in the windows folder while
// holding the file's lock, and writes the lines back when update says they
// changed. False when the file cannot be opened or locked.
bool updateLockedTable(const std::string& name,
                       const std::function<bool(std::vector<std::string>& lines)>& update);

bool equalsIgnoringCase(const std::string& a, const std::string& b);

// One message on the wire: a fixed header and the atom's text. The answer
// is one int64.
struct WindowFrameHeader {
  uint32_t message;
  uint32_t textLength;
  uint64_t wParam;
  int64_t lParam;
};
constexpr uint32_t kMaxAtomText = 255;

}  // namespace platform::posix
