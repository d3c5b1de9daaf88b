#include "platform/window_messages.h"
#include "posix/window_files.h"

namespace platform {
namespace {
constexpr uint32_t kFirstRegisteredMessage = 0xC000;
constexpr uint32_t kLastRegisteredMessage = 0xFFFF;
}  // namespace

// The table's line number is the message's offset from 0xC000, so every
// process reading the same table agrees on the id.
uint32_t registerWindowMessage(const std::string& name) {
  if (name.empty() || name.find('\n') != std::string::npos) return 0;
  uint32_t id = 0;
  posix::updateLockedTable("messages", [&](std::vector<std::string>& lines) {
    for (size_t i = 0; i < lines.size(); ++i)
      if (posix::equalsIgnoringCase(lines[i], name)) {
        id = kFirstRegisteredMessage + static_cast<uint32_t>(i);
        return false;
      }
    if (kFirstRegisteredMessage + lines.size() > kLastRegisteredMessage) return false;
    id = kFirstRegisteredMessage + static_cast<uint32_t>(lines.size());
    lines.push_back(name);
    return true;
  });
  return id;
}

}  // namespace platform
