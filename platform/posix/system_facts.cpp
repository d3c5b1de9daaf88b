#include "platform/system_facts.h"

#include <limits.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "posix/folder_chain.h"

namespace platform {
namespace {

// The C library keeps the stacks of ended threads for reuse up to a total
// size (40 MB by default): at 256 KB a reload's worth of threads fits, at
// the usual 8 MB only five.
constexpr size_t kCompactThreadStack = 256 * 1024;

// ThreadSanitizer refuses to start threads with stacks that small (its
// start takes room of its own); under it threads keep the usual size.
#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif
#else
constexpr bool kThreadSanitizer = false;
#endif

// NetBIOS names, which Windows reports as the computer name, have at most 15.
constexpr size_t kLongestComputerName = 15;

}  // namespace

std::string roamingAppDataFolder() {
  if (auto config = environmentValue("XDG_CONFIG_HOME"); config && !config->empty()) return *config;
  return environmentValue("HOME").value_or("") + "/.config";
}

bool createFolderChain(const std::string& path) { return posix::makeFolderChain(path, 0777); }

std::string ownProgramPath() {
  std::string path(PATH_MAX, '\0');
  for (;;) {
    ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length < 0) return {};
    if (static_cast<size_t>(length) < path.size()) {
      path.resize(static_cast<size_t>(length));
      return path;
    }
    path.resize(path.size() * 2);  // may have been cut: try with more room
  }
}

std::optional<std::string> environmentValue(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

void setEnvironmentValue(const std::string& name, const std::optional<std::string>& value) {
  if (value)
    setenv(name.c_str(), value->c_str(), 1);
  else
    unsetenv(name.c_str());
}

std::string computerName() {
  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) != 0) return {};
  std::string name;
  for (const char* c = host; *c && *c != '.' && name.size() < kLongestComputerName; ++c)
    name += (*c >= 'a' && *c <= 'z') ? static_cast<char>(*c - 'a' + 'A') : *c;
  return name;
}

uint32_t processId() { return static_cast<uint32_t>(getpid()); }

uint32_t threadId() { return static_cast<uint32_t>(gettid()); }

LocalTime localTimeNow() {
  // localtime_r need not look at TZ again; tzset makes a changed zone count.
  // The C library guards its zone with a lock of its own that race
  // detectors cannot see, so the threads take turns here as well.
  static std::mutex zoneTurn;
  std::tm parts {};
  {
    std::lock_guard<std::mutex> turn(zoneTurn);
    tzset();
    std::time_t now = std::time(nullptr);
    localtime_r(&now, &parts);
  }
  return LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                   parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

void sleepMs(int ms) {
  if (ms <= 0) return;
  timespec left{ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

void nameThisThread(const std::string& name) {
  // Linux takes at most 15 characters and refuses longer names.
  pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
}

void useCompactThreadStacks() {
  if (kThreadSanitizer) return;
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return;
  if (pthread_attr_setstacksize(&attributes, kCompactThreadStack) == 0)
    pthread_setattr_default_np(&attributes);
  pthread_attr_destroy(&attributes);
}

}  // namespace platform
