#include "lab/control_server.h"

#include "net/sockets.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <thread>

namespace lab::control {
namespace {

// A request line is short; a client that sends none in time is dropped.
constexpr int kRequestTimeoutSeconds = 5;
constexpr size_t kMaxRequestLine = 64 * 1024;

std::string readRequestLine(int fd) {
  timeval timeout{kRequestTimeoutSeconds, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  std::string line;
  char buffer[1024];
  while (line.find('\n') == std::string::npos && line.size() < kMaxRequestLine) {
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    line.append(buffer, static_cast<size_t>(n));
  }
  return line.substr(0, line.find('\n'));
}

void writeAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

struct ControlServer::Impl {
  std::string socketPath;
  std::map<std::string, Handler> families;
  std::string lastError;
  int listenFd = -1;
  int wakeFd = -1;
  std::thread thread;

  void serve() {
    pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    for (;;) {
      if (::poll(fds, 2, -1) < 0) continue;
      if (fds[1].revents) return;
      // One exchange at a time: each is short, and handlers need no locks
      // of their own against each other.
      int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      std::string line = readRequestLine(fd);
      writeAll(fd, encodeReply(answerLine(line)));
      ::close(fd);
    }
  }

  Reply answerLine(const std::string& line) const {
    auto words = decodeRequest(line);
    if (!words || words->empty())
      return {kBadUsage, "kestrix-lab: cannot read the request \"" + line + "\"\n"};
    auto command = matchCommand(*words);
    if (!command) {
      std::string text = "kestrix-lab: unknown command \"" + line + "\"\n";
      if (isFamily((*words)[0])) text += "usage:\n" + usageOf({(*words)[0]});
      return {kBadUsage, text};
    }
    auto family = families.find((*words)[0]);
    if (family == families.end())
      return {kBadUsage, "kestrix-lab: this lab does not serve \"" + (*words)[0] + "\" commands\n"};
    return family->second(*command);
  }
};

ControlServer::ControlServer(std::string socketPath) : impl_(std::make_unique<Impl>()) {
  impl_->socketPath = std::move(socketPath);
}

ControlServer::~ControlServer() { stop(); }

void ControlServer::addFamily(const std::string& family, Handler handler) {
  impl_->families[family] = std::move(handler);
}

bool ControlServer::start() {
  if (impl_->thread.joinable()) return true;
  impl_->wakeFd = ::eventfd(0, EFD_CLOEXEC);
  impl_->listenFd = net::listenOnUnixSocket(impl_->socketPath, impl_->lastError);
  if (impl_->wakeFd < 0 || impl_->listenFd < 0) {
    if (impl_->wakeFd < 0) impl_->lastError = "eventfd failed";
    stop();
    return false;
  }
  impl_->thread = std::thread([impl = impl_.get()] { impl->serve(); });
  return true;
}

void ControlServer::stop() {
  if (impl_->thread.joinable()) {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(impl_->wakeFd, &one, sizeof one);
    impl_->thread.join();
  }
  if (impl_->listenFd >= 0) {
    ::close(impl_->listenFd);
    ::unlink(impl_->socketPath.c_str());
  }
  if (impl_->wakeFd >= 0) ::close(impl_->wakeFd);
  impl_->listenFd = impl_->wakeFd = -1;
}

std::string ControlServer::lastError() const { return impl_->lastError; }

Reply ControlServer::answer(const std::string& requestLine) const {
  return impl_->answerLine(requestLine);
}

}  // namespace lab::control
