#include "posix/named_object_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/runtime_dir.h"

namespace platform::posix {
namespace {

constexpr off_t kPresenceByte = 0;

// Escaped names longer than this are shortened and made unique by a hash,
// so that every name fits in one file name (NAME_MAX is 255).
constexpr size_t kLongestEscapedName = 180;
constexpr size_t kKeptOfLongName = 160;

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool keepsItsSpelling(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == '{' || c == '}';
}

uint64_t fnv1a(const std::string& text) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

// Maps a name one-to-one onto a file name: '%' and every character outside a
// small safe set become %XX, so "a/b", "a\b" and "a%2Fb" stay three names.
std::string escapeName(const std::string& name) {
  std::string escaped;
  for (unsigned char c : name) {
    if (keepsItsSpelling(c)) {
      escaped += static_cast<char>(c);
    } else {
      escaped += '%';
      escaped += kHexDigits[c >> 4];
      escaped += kHexDigits[c & 0xF];
    }
  }
  if (escaped.size() > kLongestEscapedName) {
    // '~' is always escaped above, so a shortened name never equals a plain one.
    escaped.resize(kKeptOfLongName);
    escaped += '~';
    uint64_t hash = fnv1a(name);
    for (int shift = 60; shift >= 0; shift -= 4) escaped += kHexDigits[(hash >> shift) & 0xF];
  }
  return escaped;
}

int lockCommand(bool wait) { return wait ? F_OFD_SETLKW : F_OFD_SETLK; }

int setByteLock(int fd, off_t byte, short type, bool wait) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  int result;
  do {
    result = fcntl(fd, lockCommand(wait), &lock);
  } while (result != 0 && errno == EINTR);
  return result;
}

// True when a handle other than fd holds the byte.
bool othersHoldByte(int fd, off_t byte) {
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = byte;
  probe.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &probe) != 0) return true;  // cannot tell: assume held
  return probe.l_type != F_UNLCK;
}

short lockType(LockKind kind) { return kind == LockKind::Shared ? F_RDLCK : F_WRLCK; }

// A file is removed only by a handle that holds its presence byte alone; one
// who joined it meanwhile finds it gone from its path and joins afresh.
constexpr int kJoinAttempts = 16;

// True when fd is still the file at path.
bool stillAt(int fd, const std::string& path) {
  struct stat byHandle {}, byPath {};
  return fstat(fd, &byHandle) == 0 && lstat(path.c_str(), &byPath) == 0 &&
         byHandle.st_dev == byPath.st_dev && byHandle.st_ino == byPath.st_ino;
}

// Removes the file when fd can hold it alone, and closes fd.
void removeIfAlone(int fd, const std::string& path) {
  if (tryLockByte(fd, kPresenceByte, LockKind::Exclusive) == LockAttempt::Locked &&
      stillAt(fd, path))
    unlink(path.c_str());
  close(fd);
}

}  // namespace

std::string namedObjectPath(std::string_view kind, const std::string& name) {
  if (name.empty()) return {};
  return runtimePath("objects/" + std::string(kind) + "." + escapeName(name));
}

LockAttempt tryLockByte(int fd, off_t byte, LockKind kind) {
  if (setByteLock(fd, byte, lockType(kind), false) == 0) return LockAttempt::Locked;
  return errno == EAGAIN || errno == EACCES ? LockAttempt::Busy : LockAttempt::Failed;
}

bool lockByte(int fd, off_t byte, LockKind kind) {
  return setByteLock(fd, byte, lockType(kind), true) == 0;
}

void unlockByte(int fd, off_t byte) { setByteLock(fd, byte, F_UNLCK, false); }

namespace {

enum class JoinStep { Joined, Removed, Failed };

// One attempt: Removed when the file went from its path while we joined.
JoinStep tryJoin(const std::string& path, JoinMode mode, const std::function<bool(int fd)>& prepare,
                 JoinedObject& joined) {
  int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW;
  if (mode == JoinMode::CreateOrOpen) flags |= O_CREAT;
  int fd = open(path.c_str(), flags, 0600);
  if (fd < 0) return JoinStep::Failed;
  auto giveUp = [fd](JoinStep step) {
    close(fd);  // drops whatever lock fd holds
    return step;
  };

  if (mode == JoinMode::CreateOrOpen) {
    LockAttempt alone = tryLockByte(fd, kPresenceByte, LockKind::Exclusive);
    if (alone == LockAttempt::Failed) return giveUp(JoinStep::Failed);
    if (alone == LockAttempt::Locked) {
      if (!stillAt(fd, path)) return giveUp(JoinStep::Removed);
      // Nobody holds the object, and nobody can join until the lock turns
      // shared: lay it out afresh.
      if (!prepare(fd)) return giveUp(JoinStep::Failed);
      if (!lockByte(fd, kPresenceByte, LockKind::Shared)) return giveUp(JoinStep::Failed);
      joined = JoinedObject{fd, true};
      return JoinStep::Joined;
    }
  }
  // Waits only while a creator lays the object out or a leaver removes it.
  if (!lockByte(fd, kPresenceByte, LockKind::Shared)) return giveUp(JoinStep::Failed);
  if (!stillAt(fd, path)) return giveUp(JoinStep::Removed);
  if (mode == JoinMode::OpenExisting && !othersHoldByte(fd, kPresenceByte))
    return giveUp(JoinStep::Failed);
  joined = JoinedObject{fd, false};
  return JoinStep::Joined;
}

}  // namespace

std::optional<JoinedObject> joinNamedObject(const std::string& path, JoinMode mode,
                                            const std::function<bool(int fd)>& prepare) {
  if (path.empty()) return std::nullopt;
  for (int attempt = 0; attempt < kJoinAttempts; ++attempt) {
    JoinedObject joined;
    switch (tryJoin(path, mode, prepare, joined)) {
      case JoinStep::Joined: return joined;
      case JoinStep::Failed: return std::nullopt;
      case JoinStep::Removed: break;
    }
  }
  return std::nullopt;
}

void leaveNamedObject(int fd, const std::string& path) {
  if (fd < 0) return;
  if (path.empty()) {
    close(fd);
    return;
  }
  removeIfAlone(fd, path);
}

void removeAbandonedNamedObjects(std::string_view kind) {
  const std::string folder = runtimePath("objects");
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const std::string prefix = std::string(kind) + ".";
  while (dirent* entry = readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name.substr(0, prefix.size()) != prefix) continue;
    const std::string path = folder + "/" + std::string(name);
    int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    removeIfAlone(fd, path);
  }
  closedir(dir);
}

}  // namespace platform::posix
