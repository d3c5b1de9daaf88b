#include "platform/file_edit_turn.h"

#include <windows.h>

#include <cwctype>
#include <map>
#include <mutex>

#include "win32/wide_text.h"

namespace platform {
namespace {

// The turn between programs is a named mutex of the file's folder (a file
// saved by renaming a new one over it changes with every save, its folder
// does not). The system's mutex may be taken again by the thread that owns
// it; within this process the threads also take turns on a recursive mutex
// per folder, so the system's one is held by one thread at a time.
struct FolderTurn {
  std::recursive_mutex threads;
  HANDLE mutex = nullptr;  // owned while depth > 0
  int depth = 0;           // guarded by threads
};

std::string folderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// One name per folder, whatever its spelling: the full path, lower case,
// with the backslashes that kernel names may not hold replaced.
std::wstring turnName(const std::string& folder) {
  std::wstring path = win32::wide(folder);
  wchar_t full[MAX_PATH * 4];
  DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
  if (length > 0 && length < MAX_PATH * 4) path.assign(full, length);
  for (wchar_t& c : path) c = c == L'\\' || c == L'/' ? L'|' : static_cast<wchar_t>(std::towlower(c));
  return L"kestrix-edit-turn " + path;
}

FolderTurn& folderTurn(const std::string& folder) {
  static std::mutex guard;
  static std::map<std::string, FolderTurn> turns;  // one per folder ever edited
  std::lock_guard<std::mutex> lock(guard);
  return turns[folder];
}

}  // namespace

struct FileEditTurn::Impl {
  FolderTurn* turn = nullptr;
};

FileEditTurn::FileEditTurn(const std::string& path) : impl_(std::make_unique<Impl>()) {
  const std::string folder = folderOf(path);
  FolderTurn& turn = folderTurn(folder);
  turn.threads.lock();
  impl_->turn = &turn;
  if (turn.depth++ > 0) return;
  turn.mutex = CreateMutexW(nullptr, FALSE, turnName(folder).c_str());
  if (!turn.mutex) return;
  // An owner that died mid-cycle leaves the mutex abandoned: ours then.
  WaitForSingleObject(turn.mutex, INFINITE);
}

FileEditTurn::~FileEditTurn() {
  FolderTurn& turn = *impl_->turn;
  if (--turn.depth == 0 && turn.mutex) {
    ReleaseMutex(turn.mutex);
    CloseHandle(turn.mutex);
    turn.mutex = nullptr;
  }
  turn.threads.unlock();
}

}  // namespace platform
