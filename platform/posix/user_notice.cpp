#include "platform/user_notice.h"

#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace platform {
namespace {

struct NoticeChannel {
  // Recursive, so that a sink may itself send a notice.
  std::recursive_mutex turn;
  NoticeSink sink;
};

NoticeChannel& channel() {
  static NoticeChannel instance;
  return instance;
}

// One write per notice, so that lines of several threads and processes
// sharing stderr do not interleave.
void writeLine(const std::string& prefix, const std::string& text) {
  std::string line = prefix + ": " + text;
  if (line.back() != '\n') line += '\n';
  size_t done = 0;
  while (done < line.size()) {
    ssize_t wrote = write(STDERR_FILENO, line.data() + done, line.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return;
    done += static_cast<size_t>(wrote);
  }
}

void deliver(NoticeKind kind, const std::string& caption, const std::string& text,
             const std::string& prefix) {
  NoticeChannel& notices = channel();
  std::lock_guard<std::recursive_mutex> turn(notices.turn);
  writeLine(prefix, text);
  if (notices.sink) notices.sink(kind, caption, text);
}

}  // namespace

void showMessageBox(const std::string& caption, const std::string& text, MessageIcon) {
  deliver(NoticeKind::MessageBox, caption, text, caption);
}

void debugOutput(const std::string& text) { deliver(NoticeKind::DebugOutput, "", text, "debug"); }

void setNoticeSink(NoticeSink sink) {
  NoticeChannel& notices = channel();
  std::lock_guard<std::recursive_mutex> turn(notices.turn);
  notices.sink = std::move(sink);
}

}  // namespace platform
