#include "file_content.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

bool writeAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

std::string followLink(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The rename is only durable once the folder's entry is on disk too.
void syncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

bool failWith(std::string* reason, const std::string& why) {
  if (reason) *reason = why;
  return false;
}

bool failWithError(std::string* reason, int error) { return failWith(reason, std::strerror(error)); }

}  // namespace

FileContent readFileContent(const std::string& path) {
  FileContent content;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) content.outcome = FileReadOutcome::Missing;
    return content;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return content;
  }
  char buffer[64 * 1024];
  for (;;) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      close(fd);
      content.bytes.clear();
      return content;
    }
    if (got == 0) break;
    content.bytes.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  content.outcome = FileReadOutcome::Read;
  return content;
}

bool replaceFileContent(const std::string& path, std::string_view bytes, std::string* reason) {
  const std::string target = followLink(path);
  struct stat old {};
  const bool exists = stat(target.c_str(), &old) == 0;
  if (exists && !S_ISREG(old.st_mode)) return failWith(reason, "It is not a regular file.");
  if (exists && access(target.c_str(), W_OK) != 0) return failWithError(reason, errno);

  static std::atomic<unsigned> counter{0};
  const std::string temporary =
      target + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  // 0666 lets the umask decide, as for any new file of the user.
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return failWithError(reason, errno);
  int error = 0;
  bool written = writeAll(fd, bytes) && (!exists || fchmod(fd, old.st_mode & 07777) == 0) &&
                 fsync(fd) == 0;
  if (!written) error = errno;
  if (close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && rename(temporary.c_str(), target.c_str()) != 0) {
    written = false;
    error = errno;
  }
  if (!written) {
    unlink(temporary.c_str());
    return error ? failWithError(reason, error) : failWith(reason, "The file could not be written.");
  }
  syncFolder(folderOf(target));
  return true;
}

}  // namespace platform
