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

using posix::kWindowDescriptionSuffix;
using posix::kWindowSocketSuffix;

// A window's description file is locked by its owner for the window's whole
// life, from before it appears under its name; a file nobody holds is what a
// process that died left behind, and its files are removed on the spot.
bool ownerAlive(const std::string& folder, const std::string& stem) {
  const std::string description = folder + "/" + stem + kWindowDescriptionSuffix;
  int fd = open(description.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool alive = flock(fd, LOCK_EX | LOCK_NB) != 0;
  if (!alive) {
    unlink(description.c_str());
    unlink((folder + "/" + stem + kWindowSocketSuffix).c_str());
  }
  close(fd);
  return alive;
}

std::vector<std::string> windowStems(const std::string& folder) {
  std::vector<std::string> stems;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return stems;
  const std::string suffix = kWindowDescriptionSuffix;
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
    if (!ownerAlive(folder, stem)) continue;
    std::ifstream in(folder + "/" + stem + kWindowDescriptionSuffix);
    std::string ownClass, ownTitle;
    if (!std::getline(in, ownClass)) continue;
    std::getline(in, ownTitle);
    if (ownClass != className || (title && ownTitle != *title)) continue;
    return WindowHandle{folder + "/" + stem + kWindowSocketSuffix};
  }
  return {};
}

}  // namespace platform
