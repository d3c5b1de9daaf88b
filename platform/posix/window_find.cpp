#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "platform/window_messages.h"
#include "posix/window_files.h"

namespace platform {
namespace {

constexpr const char* kWindowSuffix = ".window";

// A window's description file is locked by its owner for the window's whole
// life; a file nobody holds is what a process that died left behind.
bool ownerAlive(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool free = flock(fd, LOCK_SH | LOCK_NB) == 0;
  close(fd);
  return !free;
}

std::vector<std::string> windowStems(const std::string& folder) {
  std::vector<std::string> stems;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return stems;
  const std::string suffix = kWindowSuffix;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.size() > suffix.size() && name.ends_with(suffix))
      stems.push_back(name.substr(0, name.size() - suffix.size()));
  }
  closedir(dir);
  std::sort(stems.begin(), stems.end());
  return stems;
}

}  // namespace

WindowHandle findWindow(const std::string& className, const std::optional<std::string>& title) {
  const std::string folder = posix::windowsFolder();
  for (const auto& stem : windowStems(folder)) {
    const std::string description = folder + "/" + stem + kWindowSuffix;
    std::ifstream in(description);
    std::string ownClass, ownTitle;
    if (!std::getline(in, ownClass)) continue;
    std::getline(in, ownTitle);
    if (ownClass != className || (title && ownTitle != *title)) continue;
    if (!ownerAlive(description)) continue;
    return WindowHandle{folder + "/" + stem + ".sock"};
  }
  return {};
}

}  // namespace platform
