#pragma once
// A private world for one test case: its own runtime folder (named objects,
// sockets), home and configuration folder, so cases can run side by side and
// leave nothing behind.
#include <platform/child_process.h>

#include <chrono>
#include <memory>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

class TestEnvironment {
 public:
  TestEnvironment();
  ~TestEnvironment();
  TestEnvironment(const TestEnvironment&) = delete;
  TestEnvironment& operator=(const TestEnvironment&) = delete;

  const std::string& root() const { return root_; }
  const std::string& runtimeDir() const { return runtimeDir_; }
  const std::string& home() const { return home_; }
  const std::string& configHome() const { return configHome_; }
  // The panel driver's data folder inside this world.
  std::string dataFolder() const;
  // What $APPDATA and $PROGRAMDATA name in this world (not created).
  std::string appData() const { return root_ + "/appdata"; }
  std::string programData() const { return root_ + "/programdata"; }

  // The variables a program started in this world needs.
  std::vector<std::pair<std::string, std::string>> childEnvironment() const;

 private:
  std::string root_, runtimeDir_, home_, configHome_;
  std::vector<std::pair<std::string, std::string>> saved_;
};

// Full path of one of our built programs ("kestrix-module": on Windows
// kestrix-module.exe).
std::string programPath(const std::string& name);

// Starts a program in the world: with its environment, in its root folder.
std::unique_ptr<platform::ChildProcess> startProgramIn(const TestEnvironment& env,
                                                       const std::string& program,
                                                       const std::vector<std::string>& arguments);

// Polls pred until it holds or the timeout passes.
bool eventually(const std::function<bool()>& pred,
                std::chrono::milliseconds timeout = std::chrono::seconds(20));

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

}  // namespace testsupport
