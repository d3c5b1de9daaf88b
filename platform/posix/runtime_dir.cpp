#include "platform/runtime_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "posix/folder_chain.h"

namespace platform {
namespace {

// Only the user may look into the folder: it holds every named object.
constexpr mode_t kPrivateFolderMode = 0700;

const char* nonEmptyVariable(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

}  // namespace

std::string runtimeDir() {
  std::string dir;
  if (const char* own = nonEmptyVariable("KESTRIX_RUNTIME_DIR"))
    dir = own;
  else if (const char* xdg = nonEmptyVariable("XDG_RUNTIME_DIR"))
    dir = std::string(xdg) + "/kestrix";
  else
    dir = "/tmp/kestrix-" + std::to_string(getuid());
  posix::makeFolderChain(dir, kPrivateFolderMode);
  return dir;
}

std::optional<std::string> runtimeDirProblem() {
  const std::string dir = runtimeDir();
  struct stat info {};
  // lstat: a link planted in the folder's place is no folder of ours.
  if (lstat(dir.c_str(), &info) != 0) return "it cannot be created";
  if (!S_ISDIR(info.st_mode)) return "it is no folder";
  if (info.st_uid != geteuid()) return "it belongs to another user";
  if ((info.st_mode & 077) != 0) return "other users may open it";
  return std::nullopt;
}

std::string runtimePath(const std::string& relative) {
  std::string dir = runtimeDir();
  size_t lastSlash = relative.rfind('/');
  if (lastSlash != std::string::npos && lastSlash > 0)
    posix::makeFolderChain(dir + "/" + relative.substr(0, lastSlash), kPrivateFolderMode);
  return dir + "/" + relative;
}

}  // namespace platform
