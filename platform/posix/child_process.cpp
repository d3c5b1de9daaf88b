#include "platform/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

extern char** environ;

namespace platform {

struct ChildProcess::Impl {
  pid_t pid = -1;
  int outputFd = -1;
  std::thread reader;
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  std::string output;
  bool outputClosed = false;
  std::optional<int> exitCode;

  void readOutput() {
    char chunk[4096];
    for (;;) {
      ssize_t n = read(outputFd, chunk, sizeof(chunk));
      if (n < 0 && errno == EINTR) continue;
      std::lock_guard<std::mutex> guard(mutex);
      if (n <= 0) {
        outputClosed = true;
        changed.notify_all();
        return;
      }
      output.append(chunk, static_cast<size_t>(n));
      changed.notify_all();
    }
  }

  // Reaps the program if it has ended; with block, waits for it.
  bool reap(bool block) {
    if (exitCode) return true;
    int status = 0;
    pid_t r;
    do {
      r = waitpid(pid, &status, block ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r != pid) return false;
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
  }
};

namespace {

std::vector<std::string> composeEnvironment(const ChildProcess::Options& options) {
  std::vector<std::string> result;
  auto overridden = [&](const std::string& entry) {
    std::string name = entry.substr(0, entry.find('='));
    for (const auto& [key, value] : options.environment)
      if (key == name) return true;
    for (const auto& key : options.unsetEnvironment)
      if (key == name) return true;
    return false;
  };
  for (char** e = environ; e && *e; ++e)
    if (!overridden(*e)) result.emplace_back(*e);
  for (const auto& [key, value] : options.environment) result.push_back(key + "=" + value);
  return result;
}

}  // namespace

ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<ChildProcess> ChildProcess::start(const Options& options) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return nullptr;

  std::vector<std::string> argStrings = {options.program};
  argStrings.insert(argStrings.end(), options.arguments.begin(), options.arguments.end());
  std::vector<char*> argv;
  for (auto& a : argStrings) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStrings = composeEnvironment(options);
  std::vector<char*> envp;
  for (auto& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (!options.workingFolder.empty())
    posix_spawn_file_actions_addchdir_np(&actions, options.workingFolder.c_str());
  // The child starts with no signal blocked, whatever this process blocks.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);

  pid_t pid = -1;
  int rc = posix_spawn(&pid, options.program.c_str(), &actions, &attributes, argv.data(),
                       envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  impl->pid = pid;
  impl->outputFd = fds[0];
  Impl* raw = impl.get();
  impl->reader = std::thread([raw] { raw->readOutput(); });
  return std::make_unique<ChildProcess>(std::move(impl));
}

ChildProcess::~ChildProcess() {
  if (!impl_->reap(false)) {
    ::kill(impl_->pid, SIGKILL);
    impl_->reap(true);
  }
  // Grandchildren may still hold the pipe; the reader ends when they do.
  if (impl_->reader.joinable()) impl_->reader.join();
  close(impl_->outputFd);
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (impl_->reap(false)) {
      // Everything the program wrote before it ended is read before we say
      // it ended (a program it started may keep the pipe open longer).
      std::unique_lock<std::mutex> lock(impl_->mutex);
      impl_->changed.wait_until(lock, std::max(deadline, std::chrono::steady_clock::now() +
                                                             std::chrono::seconds(1)),
                                [&] { return impl_->outputClosed; });
      return impl_->exitCode;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool ChildProcess::running() { return !impl_->reap(false); }
void ChildProcess::requestStop() { ::kill(impl_->pid, SIGTERM); }
void ChildProcess::interrupt() { ::kill(impl_->pid, SIGINT); }
void ChildProcess::kill() { ::kill(impl_->pid, SIGKILL); }
int ChildProcess::pid() const { return impl_->pid; }

std::string ChildProcess::output() const {
  std::lock_guard<std::mutex> guard(impl_->mutex);
  return impl_->output;
}

bool ChildProcess::waitForOutput(const std::string& needle,
                                 std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  return impl_->changed.wait_for(lock, timeout, [&] {
    return impl_->output.find(needle) != std::string::npos || impl_->outputClosed;
  }) && impl_->output.find(needle) != std::string::npos;
}

}  // namespace platform
