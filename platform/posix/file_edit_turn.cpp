#include "platform/file_edit_turn.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

namespace platform {
namespace {

// The turn between programs is an flock on the file's folder: a file saved
// by renaming a new one over it changes its identity with every save, its
// folder does not. Within this process the threads take turns on a mutex of
// the folder first; it is recursive, so a thread that holds the turn may
// take it again (a test that keeps one launch file open while it registers
// another for the same folder) without waiting for itself.
struct FolderTurn {
  std::recursive_mutex threads;
  int fd = -1;     // holds the flock while depth > 0
  int depth = 0;   // guarded by threads
};

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
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
  FolderTurn& turn = folderTurn(folderOf(path));
  turn.threads.lock();
  impl_->turn = &turn;
  if (turn.depth++ > 0) return;
  // A folder that does not exist holds no file to change: nothing to wait for.
  turn.fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (turn.fd < 0) return;
  while (flock(turn.fd, LOCK_EX) != 0 && errno == EINTR) {
  }
}

FileEditTurn::~FileEditTurn() {
  FolderTurn& turn = *impl_->turn;
  if (--turn.depth == 0 && turn.fd >= 0) {
    close(turn.fd);  // closing gives the turn up
    turn.fd = -1;
  }
  turn.threads.unlock();
}

}  // namespace platform
