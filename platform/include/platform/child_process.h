#pragma once
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// A program started by this one, with its standard output and error
// captured together (tests, the demo and the lab tool start our programs
// this way).
class ChildProcess {
 public:
  struct Options {
    std::string program;
    std::vector<std::string> arguments;
    // Set (or, with an empty value and unset = true, removed) on top of this
    // process's environment.
    std::vector<std::pair<std::string, std::string>> environment;
    std::vector<std::string> unsetEnvironment;
    std::string workingFolder;
  };

  // Null when the program cannot be started.
  static std::unique_ptr<ChildProcess> start(const Options& options);
  ~ChildProcess();  // kills the program if it still runs, and reaps it
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit code (0-255), or 128 + signal number when a signal ended it;
  // nothing when it still runs after the timeout.
  std::optional<int> waitForExit(std::chrono::milliseconds timeout);
  bool running();
  // On Windows both ask with WM_CLOSE to the program's top-level windows.
  void requestStop();  // SIGTERM
  void interrupt();    // SIGINT
  void kill();         // SIGKILL; on Windows ended with exit code 137
  int pid() const;

  // Everything written so far to standard output and error.
  std::string output() const;
  // Waits until the output contains needle; false on timeout.
  bool waitForOutput(const std::string& needle, std::chrono::milliseconds timeout) const;

  struct Impl;
  explicit ChildProcess(std::unique_ptr<Impl> impl);

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
