#include "platform/runtime_dir.h"

#include <windows.h>

#include "platform/system_facts.h"
#include "win32/wide_text.h"

namespace platform {

// Named objects and windows are the system's own here, private to the
// user's session; the folder holds only what the tests and the lab keep
// in it: $KESTRIX_RUNTIME_DIR, else <temporary folder>\kestrix.
std::string runtimeDir() {
  std::string dir;
  if (auto own = environmentValue("KESTRIX_RUNTIME_DIR"); own && !own->empty()) {
    dir = *own;
  } else {
    wchar_t temporary[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
    dir = win32::narrow(std::wstring_view(temporary, length)) + "kestrix";
  }
  createFolderChain(dir);
  return dir;
}

// The system keeps every named object in the session's own namespace.
std::optional<std::string> runtimeDirProblem() { return std::nullopt; }

std::string runtimePath(const std::string& relative) {
  std::string dir = runtimeDir();
  size_t lastSlash = relative.find_last_of("\\/");
  if (lastSlash != std::string::npos && lastSlash > 0)
    createFolderChain(dir + "\\" + relative.substr(0, lastSlash));
  return dir + "\\" + relative;
}

}  // namespace platform
