#include "posix/folder_chain.h"

#include <sys/stat.h>

#include <cerrno>

namespace platform::posix {
namespace {

bool isFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool makeFolderChain(const std::string& path, mode_t mode) {
  if (path.empty()) return false;
  // Named objects ask for their folder every time: one look when it is there.
  if (isFolder(path)) return true;
  // Walk the parents from the root down; a parent made meanwhile by someone
  // else (EEXIST) is as good as one we made.
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    if (path[slash - 1] == '/') continue;
    std::string parent = path.substr(0, slash);
    if (mkdir(parent.c_str(), mode) != 0 && errno != EEXIST) return false;
  }
  if (mkdir(path.c_str(), mode) != 0 && errno != EEXIST) return false;
  return isFolder(path);
}

}  // namespace platform::posix
