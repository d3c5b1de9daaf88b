// The real `kestrix-lab view` in a pseudo-terminal, against a real lab.
#include "lab_tool_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace labtest {
namespace {

using namespace std::chrono_literals;

// A program running on its own pseudo-terminal, as from a person's terminal.
class PtyProgram {
 public:
  PtyProgram(const std::string& program, const std::vector<std::string>& arguments, int columns,
             int rows) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    slaveName_ = ::ptsname(master_);
    resize(columns, rows);
    slave_ = ::open(slaveName_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setsid();
      int tty = ::open(slaveName_.c_str(), O_RDWR);
      ::ioctl(tty, TIOCSCTTY, 0);
      ::dup2(tty, 0), ::dup2(tty, 1), ::dup2(tty, 2);
      std::vector<char*> argv;
      for (std::string& word : words) argv.push_back(word.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }
  ~PtyProgram() {
    if (pid_ > 0 && !exitCode_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
  }

  bool started() const { return pid_ > 0 && slave_ >= 0; }
  void type(const std::string& keys) const {
    [[maybe_unused]] ssize_t n = ::write(master_, keys.data(), keys.size());
  }
  // The kernel tells the program with SIGWINCH.
  void resize(int columns, int rows) const {
    winsize size{static_cast<unsigned short>(rows), static_cast<unsigned short>(columns), 0, 0};
    ::ioctl(master_, TIOCSWINSZ, &size);
  }
  // Everything drawn since the last call of forget().
  const std::string& screen() const { return output_; }
  void forget() { output_.clear(); }

  bool waitForOutput(const std::string& needle, std::chrono::milliseconds patience) {
    auto deadline = std::chrono::steady_clock::now() + patience;
    while (output_.find(needle) == std::string::npos) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      pollfd fd{master_, POLLIN, 0};
      if (::poll(&fd, 1, 100) > 0) {
        char buffer[4096];
        ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) output_.append(buffer, static_cast<size_t>(n));
      }
    }
    return true;
  }

  std::optional<int> waitForExit(std::chrono::milliseconds patience) {
    auto deadline = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < deadline) {
      waitForOutput("\x01never", 50ms);  // keeps the terminal drained
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return exitCode_;
      }
    }
    return std::nullopt;
  }

  void terminate() const { ::kill(pid_, SIGTERM); }

  termios mode() const {
    termios mode{};
    ::tcgetattr(slave_, &mode);
    return mode;
  }

 private:
  int master_ = -1, slave_ = -1;
  pid_t pid_ = -1;
  std::string slaveName_, output_;
  std::optional<int> exitCode_;
};

class ViewToolTest : public LabToolFixture {};

TEST_F(ViewToolTest, DrawsThePanelsPressesKeysFollowsResizingAndQuits) {
  auto lab = serve();
  PtyProgram view(tool(), {"view"}, 160, 40);
  ASSERT_TRUE(view.started());
  // The peer section is drawn last; once it is in, the whole first frame is.
  ASSERT_TRUE(view.waitForOutput("peer notices", kToolPatience)) << view.screen();
  EXPECT_NE(view.screen().find("transponder 00001002"), std::string::npos) << view.screen();
  EXPECT_NE(view.screen().find("> radio panel 00001001"), std::string::npos) << view.screen();
  EXPECT_NE(view.screen().find("\x1b[?1049h\x1b[?25l"), std::string::npos);
  EXPECT_NE(view.screen().find("COM1 122.800/118.000"), std::string::npos) << view.screen();

  // Tab selects the transponder; i holds its IDENT key until i comes again.
  view.type("\t");
  ASSERT_TRUE(view.waitForOutput("> transponder 00001002", kToolPatience)) << view.screen();
  view.type("i");
  EXPECT_TRUE(testsupport::eventually(
      [&] {
        return run({"board", "show", "00001002", "--json"}).output.find("\"pressedKeys\":[12]") !=
               std::string::npos;
      },
      kToolPatience));
  view.type("i");
  EXPECT_TRUE(testsupport::eventually(
      [&] {
        return run({"board", "show", "00001002", "--json"}).output.find("\"pressedKeys\":[]") !=
               std::string::npos;
      },
      kToolPatience));

  view.forget();
  view.resize(30, 10);
  EXPECT_TRUE(view.waitForOutput("terminal too small", kToolPatience)) << view.screen();
  view.forget();
  view.resize(70, 40);  // the transponder wraps below the radio panel
  EXPECT_TRUE(view.waitForOutput("transponder 00001002", kToolPatience)) << view.screen();

  view.type("q");
  EXPECT_EQ(view.waitForExit(kToolPatience), 0);
  EXPECT_NE(view.screen().find("\x1b[?25h\x1b[?1049l"), std::string::npos);
  termios after = view.mode();
  // A new terminal's line mode is back: lines, echo and signal keys.
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO | ISIG), tcflag_t{ICANON | ECHO | ISIG});
}

TEST_F(ViewToolTest, FollowsTheLabAndItsBoardsAndRestoresTheTerminalOnSigterm) {
  PtyProgram view(tool(), {"view"}, 120, 30);
  ASSERT_TRUE(view.started());
  ASSERT_TRUE(view.waitForOutput("lab not running", kToolPatience)) << view.screen();
  auto lab = serve();
  EXPECT_TRUE(view.waitForOutput("radio panel 00001001", kToolPatience)) << view.screen();
  EXPECT_EQ(run({"board", "add", "0000BEEF", "--model", "3402", "--variant", "1"}).exitCode, 0);
  EXPECT_TRUE(view.waitForOutput("transponder 0000BEEF (3402 v1)", kToolPatience)) << view.screen();
  lab->requestStop();
  ASSERT_TRUE(lab->waitForExit(kToolPatience));
  view.forget();
  EXPECT_TRUE(view.waitForOutput("lab not running", kToolPatience)) << view.screen();

  view.terminate();
  EXPECT_EQ(view.waitForExit(kToolPatience), 0);
  EXPECT_NE(view.screen().find("\x1b[?25h\x1b[?1049l"), std::string::npos);
  EXPECT_EQ(view.mode().c_lflag & (ICANON | ECHO), tcflag_t{ICANON | ECHO});
}

}  // namespace
}  // namespace labtest
