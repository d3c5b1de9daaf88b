#include "posix/window_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <sstream>

#include "platform/runtime_dir.h"

namespace platform::posix {
namespace {

std::string readAll(int fd) {
  std::string text;
  char buffer[4096];
  lseek(fd, 0, SEEK_SET);
  for (;;) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  return text;
}

bool writeAll(int fd, const std::string& text) {
  if (ftruncate(fd, 0) != 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    ssize_t put = pwrite(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
    if (put <= 0) return false;
    done += static_cast<size_t>(put);
  }
  return true;
}

}  // namespace

std::string windowsFolder() {
  std::string anyFile = runtimePath("windows/x");
  return anyFile.substr(0, anyFile.size() - 2);
}

bool updateLockedTable(const std::string& name,
                       const std::function<bool(std::vector<std::string>& lines)>& update) {
  std::string path = windowsFolder() + "/" + name;
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX) != 0) {
    close(fd);
    return false;
  }
  std::vector<std::string> lines;
  std::istringstream in(readAll(fd));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  bool ok = true;
  if (update(lines)) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    ok = writeAll(fd, text);
  }
  close(fd);  // releases the lock
  return ok;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace platform::posix
