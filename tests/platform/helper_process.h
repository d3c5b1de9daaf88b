#pragma once
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace platform_test {

// A child process spoken to by lines over pipes: by default the platform
// test helper (platform_test_helper.cpp). It inherits the environment, so it
// shares the test's runtime folder.
class HelperProcess {
 public:
  explicit HelperProcess(std::vector<std::string> arguments = {PLATFORM_TEST_HELPER});
  ~HelperProcess();  // kills the process if it still runs
  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;

  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // Sends a command and returns its answer; "<no answer>" when none came in
  // time (a minute, so that a slow machine never fails a test).
  std::string ask(const std::string& command);
  void send(const std::string& line);
  std::optional<std::string> readLine();

  void signal(int number);
  void closeInput();
  // Waits for the process to end; its exit status as waitpid reports it.
  int waitForExit();
  // Everything it wrote to stdout until it ended.
  std::string readToEnd();

 private:
  pid_t pid_ = -1;
  int toChild_ = -1;
  int fromChild_ = -1;
  std::string pending_;
};

}  // namespace platform_test
