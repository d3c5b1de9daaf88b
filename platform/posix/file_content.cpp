#include "file_content.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

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

// "<file>.tmp<pid>-<n>": the temporary file a save of <file> writes first.
std::string temporaryPrefix(const std::string& target) {
  size_t slash = target.rfind('/');
  return (slash == std::string::npos ? target : target.substr(slash + 1)) + ".tmp";
}

// The writer's process id of a temporary file name's rest ("<pid>-<n>").
std::optional<pid_t> writerOf(std::string_view rest) {
  size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size()) return std::nullopt;
  auto allDigits = [](std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (!allDigits(rest.substr(0, dash)) || !allDigits(rest.substr(dash + 1)) || dash > 9)
    return std::nullopt;
  return static_cast<pid_t>(std::stol(std::string(rest.substr(0, dash))));
}

// Temporary files of saves whose writer has ended without finishing (a
// program killed mid-save) would pile up beside the file for ever; each
// save removes them. A writer that still runs, or that belongs to another
// user (kill says EPERM), keeps its file.
void removeAbandonedTemporaries(const std::string& target) {
  const std::string folder = folderOf(target);
  const std::string prefix = temporaryPrefix(target);
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name.substr(0, prefix.size()) != prefix) continue;
    auto writer = writerOf(name.substr(prefix.size()));
    if (!writer || *writer == getpid()) continue;
    if (kill(*writer, 0) != 0 && errno == ESRCH) unlink((folder + "/" + std::string(name)).c_str());
  }
  closedir(dir);
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
  removeAbandonedTemporaries(target);

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
