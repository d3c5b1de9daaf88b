#include "contract_fixture.h"

#include <platform/system_facts.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace platform_contract {
namespace {

// Process ids come round again (under Wine every fresh start may get the
// same one), while the registry and the temporary folder outlive a run: a
// random tag per test process keeps names apart from earlier runs too.
const std::string& runTag() {
  static const std::string tag = [] {
    std::random_device random;
    return std::to_string(platform::processId()) + "-" + std::to_string(random()) +
           std::to_string(random() % 10000);
  }();
  return tag;
}

}  // namespace

void ContractTest::SetUp() {
  static std::atomic<int> counter{0};
  const auto name = "kestrix-contract-" + runTag() + "-" + std::to_string(counter++);
  folder_ = (std::filesystem::temp_directory_path() / name).string();
  std::filesystem::create_directories(folder_);
  setVariable("KESTRIX_RUNTIME_DIR", path("runtime"));
  setVariable("HOME", path("home"));
  setVariable("XDG_CONFIG_HOME", path("config"));
  setVariable("KESTRIX_REGISTRY", path("registry"));
  std::filesystem::create_directories(path("home"));
}

void ContractTest::TearDown() {
  for (const auto& [name, value] : saved_) platform::setEnvironmentValue(name, value);
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

void ContractTest::setVariable(const std::string& name, const std::optional<std::string>& value) {
  if (!saved_.count(name)) saved_[name] = platform::environmentValue(name);
  platform::setEnvironmentValue(name, value);
}

std::string ContractTest::uniqueName(const std::string& base) const {
  static std::atomic<int> counter{0};
  return base + "-" + runTag() + "-" + std::to_string(counter++);
}

std::unique_ptr<platform::ChildProcess> ContractTest::startHelper(
    const std::vector<std::string>& commands) {
  platform::ChildProcess::Options options;
  options.program = PLATFORM_TEST_HELPER;
  options.arguments = commands;
  return platform::ChildProcess::start(options);
}

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void writeWholeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

}  // namespace platform_contract
