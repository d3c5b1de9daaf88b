#include "platform/file_edit_turn.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

// The turn is a lock on the file's folder: a file saved by renaming a new
// one over it changes its own identity with every save, its folder does
// not. flock locks belong to the open folder, so threads of one process
// wait for each other too.
struct FileEditTurn::Impl {
  int fd = -1;
};

namespace {

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

FileEditTurn::FileEditTurn(const std::string& path) : impl_(std::make_unique<Impl>()) {
  // A folder that does not exist holds no file to change: nothing to wait for.
  impl_->fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (impl_->fd < 0) return;
  while (flock(impl_->fd, LOCK_EX) != 0 && errno == EINTR) {
  }
}

FileEditTurn::~FileEditTurn() {
  if (impl_->fd >= 0) close(impl_->fd);  // closing gives the turn up
}

}  // namespace platform
