#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/window_messages.h"
#include "posix/window_files.h"

namespace platform {
namespace {

// A sender that connected but never finishes its message cannot hold the
// window's thread longer than this: the whole message must have arrived by
// then, or the sender is dropped (one that sends a byte now and then must not
// hold the window for ever).
constexpr std::chrono::milliseconds kFrameDeadline{1000};

std::atomic<unsigned> windowCounter{0};

bool readExactly(int fd, char* data, size_t size, std::chrono::steady_clock::time_point deadline) {
  while (size > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(left.count())) <= 0) return false;
    ssize_t got = recv(fd, data, size, 0);
    if (got <= 0) return false;
    data += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace

struct OwnedWindow::State {
  std::string socketPath;
  std::string descriptionPath;
  int listenFd = -1;
  int descriptionFd = -1;  // locked while the window lives
  int wakePipe[2] = {-1, -1};
  Handler handler;
  std::thread thread;

  void serveOne(int connection) {
    const auto deadline = std::chrono::steady_clock::now() + kFrameDeadline;
    posix::WindowFrameHeader header{};
    if (!readExactly(connection, reinterpret_cast<char*>(&header), sizeof header, deadline)) return;
    if (header.textLength > posix::kMaxAtomText) return;
    WindowMessage received{header.message, static_cast<uintptr_t>(header.wParam),
                           static_cast<intptr_t>(header.lParam),
                           std::string(header.textLength, '\0')};
    if (header.textLength &&
        !readExactly(connection, received.wParamAtomText.data(), header.textLength, deadline))
      return;
    int64_t answer = handler ? handler(received) : 0;
    // The sender may have given up already; its absence is no error here.
    (void)!send(connection, &answer, sizeof answer, MSG_NOSIGNAL);
  }

  void run() {
    for (;;) {
      pollfd entries[2] = {{listenFd, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
      if (poll(entries, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (entries[1].revents) return;
      if (!(entries[0].revents & POLLIN)) continue;
      int connection = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection < 0) continue;
      serveOne(connection);
      close(connection);
    }
  }

  void closeAll() {
    if (descriptionFd >= 0) {
      unlink(descriptionPath.c_str());
      close(descriptionFd);
    }
    if (listenFd >= 0) {
      unlink(socketPath.c_str());
      close(listenFd);
    }
    for (int& fd : wakePipe)
      if (fd >= 0) close(fd);
  }
};

OwnedWindow::OwnedWindow() = default;
OwnedWindow::~OwnedWindow() { destroy(); }

WindowHandle OwnedWindow::handle() const {
  return state_ ? WindowHandle{state_->socketPath} : WindowHandle{};
}

bool OwnedWindow::create(const std::string& className, const std::string& title,
                         Handler handler) {
  if (state_ || className.empty() || className.find('\n') != std::string::npos ||
      title.find('\n') != std::string::npos)
    return false;
  auto state = std::make_unique<State>();
  state->handler = std::move(handler);
  const std::string stem = posix::windowsFolder() + "/" + std::to_string(getpid()) + "-" +
                           std::to_string(windowCounter++);
  state->socketPath = stem + posix::kWindowSocketSuffix;
  state->descriptionPath = stem + posix::kWindowDescriptionSuffix;

  sockaddr_un where{};
  where.sun_family = AF_UNIX;
  if (state->socketPath.size() >= sizeof where.sun_path) return false;
  std::memcpy(where.sun_path, state->socketPath.c_str(), state->socketPath.size() + 1);
  unlink(state->socketPath.c_str());  // a leftover of a process with our pid
  state->listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (state->listenFd < 0 || pipe2(state->wakePipe, O_CLOEXEC) != 0 ||
      bind(state->listenFd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 ||
      listen(state->listenFd, 16) != 0) {
    state->closeAll();
    return false;
  }

  // The description appears whole and locked, or not at all.
  const std::string draft = stem + ".draft";
  state->descriptionFd = open(draft.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  std::string text = className + "\n" + title + "\n";
  bool written = state->descriptionFd >= 0 && flock(state->descriptionFd, LOCK_EX) == 0 &&
                 write(state->descriptionFd, text.data(), text.size()) ==
                     static_cast<ssize_t>(text.size()) &&
                 rename(draft.c_str(), state->descriptionPath.c_str()) == 0;
  if (!written) {
    unlink(draft.c_str());
    state->descriptionPath.clear();
    state->closeAll();
    return false;
  }
  State* running = state.get();
  state->thread = std::thread([running] { running->run(); });
  state_ = std::move(state);
  return true;
}

void OwnedWindow::destroy() {
  if (!state_) return;
  (void)!write(state_->wakePipe[1], "x", 1);
  if (state_->thread.joinable()) state_->thread.join();
  state_->closeAll();
  state_.reset();
}

}  // namespace platform
