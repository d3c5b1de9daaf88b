#include "view/terminal.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace lab::view {

struct Terminal::Saved {
  termios mode;
};

bool Terminal::enter() {
  if (entered_) return true;
  if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO)) return false;
  auto* saved = new Saved;
  if (::tcgetattr(STDIN_FILENO, &saved->mode) != 0) {
    delete saved;
    return false;
  }
  termios raw = saved->mode;
  ::cfmakeraw(&raw);
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw) != 0) {
    delete saved;
    return false;
  }
  saved_ = saved;
  entered_ = true;
  write("\x1b[?1049h\x1b[?25l\x1b[2J");  // alternate screen, cursor hidden
  return true;
}

void Terminal::restore() {
  if (!entered_) return;
  write("\x1b[0m\x1b[2J\x1b[?25h\x1b[?1049l");
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_->mode);
  delete saved_;
  saved_ = nullptr;
  entered_ = false;
}

bool Terminal::size(int& width, int& height) const {
  winsize ws{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) != 0 || ws.ws_col == 0) return false;
  width = ws.ws_col;
  height = ws.ws_row;
  return true;
}

void Terminal::write(const std::string& bytes) const {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace lab::view
