#include "helper_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

extern char** environ;

namespace platform_test {
namespace {

constexpr auto kAnswerDeadline = std::chrono::seconds(60);

}  // namespace

HelperProcess::HelperProcess(std::vector<std::string> arguments) {
  int input[2], output[2];
  if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(input[0]);
  close(output[1]);
  toChild_ = input[1];
  fromChild_ = output[0];
  if (failed != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + arguments[0]);
  }
}

HelperProcess::~HelperProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitForExit();
  }
  if (toChild_ >= 0) close(toChild_);
  if (fromChild_ >= 0) close(fromChild_);
}

void HelperProcess::send(const std::string& line) {
  std::string text = line + "\n";
  // A helper that is gone must not end the test by SIGPIPE.
  ::signal(SIGPIPE, SIG_IGN);
  if (toChild_ < 0 || write(toChild_, text.data(), text.size()) < 0) return;
}

std::optional<std::string> HelperProcess::readLine() {
  const auto deadline = std::chrono::steady_clock::now() + kAnswerDeadline;
  for (;;) {
    if (size_t newline = pending_.find('\n'); newline != std::string::npos) {
      std::string line = pending_.substr(0, newline);
      pending_.erase(0, newline + 1);
      return line;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd ready{fromChild_, POLLIN, 0};
    int polled = poll(&ready, 1, static_cast<int>(left.count()));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return std::nullopt;
    char buffer[4096];
    ssize_t got = read(fromChild_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return std::nullopt;  // the child closed its end
    pending_.append(buffer, static_cast<size_t>(got));
  }
}

std::string HelperProcess::ask(const std::string& command) {
  send(command);
  return readLine().value_or("<no answer>");
}

void HelperProcess::signal(int number) {
  if (pid_ > 0) kill(pid_, number);
}

void HelperProcess::closeInput() {
  if (toChild_ >= 0) close(toChild_);
  toChild_ = -1;
}

int HelperProcess::waitForExit() {
  int status = 0;
  if (pid_ <= 0) return status;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  return status;
}

std::string HelperProcess::readToEnd() {
  std::string all;
  while (auto line = readLine()) all += *line + "\n";
  return all + pending_;
}

}  // namespace platform_test
