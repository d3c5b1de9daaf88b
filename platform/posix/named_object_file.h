#pragma once
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform::posix {

// Every named object of this platform is a file in runtimeDir()/objects/.
// Each open handle holds a shared lock on the file's presence byte, so an
// object exists exactly while some handle to it is open in some process: the
// kernel drops the locks of a process that ends, however it ends. The last
// handle to leave removes the file; files of holders that ended without
// leaving (killed) are removed by removeAbandonedNamedObjects. A handle that
// joins a file just removed notices and joins afresh. The locks
// are open-file-description locks, so every handle is its own holder, also
// within one process, and a lock converts between shared and exclusive
// atomically.

// The file that stands for the object `name` of the given kind ("mutex",
// "event"); empty when the name cannot be used.
std::string namedObjectPath(std::string_view kind, const std::string& name);

enum class JoinMode { CreateOrOpen, OpenExisting };

struct JoinedObject {
  int fd = -1;           // owned by the caller; closing it leaves the object
  bool created = false;  // nobody held the object before
};

// Opens the object's file and joins its holders. When nobody holds it and the
// mode is CreateOrOpen, prepare(fd) runs first while no other handle can join,
// so it can lay the object out afresh. Nothing when the object does not exist
// (OpenExisting), the file cannot be used or prepare fails.
std::optional<JoinedObject> joinNamedObject(const std::string& path, JoinMode mode,
                                            const std::function<bool(int fd)>& prepare);

// Closes a handle's file; the last holder to leave removes it.
void leaveNamedObject(int fd, const std::string& path);

// Removes the files of the given kind ("memory") that nobody holds.
void removeAbandonedNamedObjects(std::string_view kind);

enum class LockKind { Shared, Exclusive };
enum class LockAttempt { Locked, Busy, Failed };

// Byte-range locks held by the open file description of fd.
LockAttempt tryLockByte(int fd, off_t byte, LockKind kind);
bool lockByte(int fd, off_t byte, LockKind kind);  // waits for it
void unlockByte(int fd, off_t byte);

}  // namespace platform::posix
