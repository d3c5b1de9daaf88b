#include "test_environment.h"

#include <platform/system_facts.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace testsupport {
namespace {

const char* const kVariables[] = {"KESTRIX_RUNTIME_DIR", "HOME",     "XDG_CONFIG_HOME",
                                  "KESTRIX_REGISTRY",    "APPDATA",  "PROGRAMDATA",
                                  "KESTRIX_HID"};

std::string uniqueFolder() {
  std::random_device device;
  std::mt19937_64 random(device());
  for (;;) {
    fs::path candidate =
        fs::temp_directory_path() / ("kx-" + std::to_string(random() % 100000000));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) return candidate.string();
  }
}

}  // namespace

TestEnvironment::TestEnvironment() {
  root_ = uniqueFolder();
  runtimeDir_ = root_ + "/run";
  home_ = root_ + "/home";
  configHome_ = home_ + "/.config";
  fs::create_directories(runtimeDir_);
  fs::permissions(runtimeDir_, fs::perms::owner_all);
  fs::create_directories(configHome_);
  for (const char* name : kVariables)
    saved_.emplace_back(name, platform::environmentValue(name).value_or("\x01unset"));
  for (const auto& [name, value] : childEnvironment()) platform::setEnvironmentValue(name, value);
}

TestEnvironment::~TestEnvironment() {
  for (const auto& [name, value] : saved_)
    platform::setEnvironmentValue(
        name, value == "\x01unset" ? std::nullopt : std::optional<std::string>(value));
  std::error_code ec;
  fs::remove_all(root_, ec);
}

std::string TestEnvironment::dataFolder() const {
  return configHome_ + "/Quornel Limited/SimConnect Modules";
}

std::vector<std::pair<std::string, std::string>> TestEnvironment::childEnvironment() const {
  return {{"KESTRIX_RUNTIME_DIR", runtimeDir_},
          {"HOME", home_},
          {"XDG_CONFIG_HOME", configHome_},
          {"KESTRIX_REGISTRY", root_ + "/registry"},
          {"APPDATA", appData()},
          {"PROGRAMDATA", programData()},
          // The lab's boards, also in a world whose rack has not started
          // (or never will): a test never meets the machine's real boards.
          {"KESTRIX_HID", "lab"}};
}

std::string programPath(const std::string& name) {
  return std::string(KESTRIX_BIN_DIR) + "/" + name + KESTRIX_EXE_SUFFIX;
}

std::unique_ptr<platform::ChildProcess> startProgramIn(const TestEnvironment& env,
                                                       const std::string& program,
                                                       const std::vector<std::string>& arguments) {
  platform::ChildProcess::Options options;
  options.program = program;
  options.arguments = arguments;
  options.environment = env.childEnvironment();
  options.workingFolder = env.root();
  return platform::ChildProcess::start(options);
}

bool eventually(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

void writeFile(const std::string& path, const std::string& content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

}  // namespace testsupport
