#include "platform/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "profile_text.h"

namespace platform {
namespace {

enum class ReadOutcome { Read, Missing, Failed };

struct FileContent {
  ReadOutcome outcome = ReadOutcome::Failed;
  std::string text;
  mode_t mode = 0;
};

FileContent readWholeFile(const std::string& path) {
  FileContent content;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    content.outcome = errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed;
    return content;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return content;
  }
  content.mode = info.st_mode & 07777;
  char buffer[64 * 1024];
  for (;;) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      close(fd);
      return content;
    }
    if (got == 0) break;
    content.text.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  content.outcome = ReadOutcome::Read;
  return content;
}

bool writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

// Writes a sibling file and renames it over the target, so that readers and
// a crash see either the old or the new content, never a mix.
bool replaceFile(const std::string& path, const std::string& text, const FileContent& old) {
  static std::atomic<unsigned> counter{0};
  std::string temporary =
      path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  // 0666 lets the umask decide, as for any new file of the user.
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool written = writeAll(fd, text) &&
                 (old.outcome != ReadOutcome::Read || fchmod(fd, old.mode) == 0) &&
                 fsync(fd) == 0;
  written = close(fd) == 0 && written;
  if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

// A link is followed, so that the rename replaces the file it points to.
std::string followLink(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// Writers of this process take turns, so that two threads that change one
// file do not lose each other's change.
std::mutex& writeTurn() {
  static std::mutex turn;
  return turn;
}

std::optional<std::string> readValue(const std::string& section, const std::string& key,
                                     const std::string& path) {
  FileContent content = readWholeFile(path);
  if (content.outcome != ReadOutcome::Read) return std::nullopt;
  auto value = profile::findValue(content.text, section, key);
  if (!value) return std::nullopt;
  return profile::stripEnclosingQuotes(*value);
}

}  // namespace

int getProfileInt(const std::string& section, const std::string& key, int defaultValue,
                  const std::string& path) {
  auto value = readValue(section, key, path);
  return value ? profile::parseInteger(*value, defaultValue) : defaultValue;
}

std::string getProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& path) {
  return readValue(section, key, path).value_or(defaultValue);
}

bool writeProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path) {
  std::lock_guard<std::mutex> turn(writeTurn());
  const std::string target = followLink(path);
  FileContent old = readWholeFile(target);
  if (old.outcome == ReadOutcome::Failed) return false;  // never clobber what we cannot read
  auto updated = profile::withValue(old.text, section, key, value);
  return updated && replaceFile(target, *updated, old);
}

}  // namespace platform
