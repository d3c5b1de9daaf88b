#pragma once
// What every platform realisation must do, tested through the platform's
// own interfaces only, so that the same cases run against each system's
// (on Windows under Wine). The second process is the platform test helper,
// scripted through its arguments.
#include <gtest/gtest.h>
#include <platform/child_process.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform_contract {

class ContractTest : public ::testing::Test {
 protected:
  // A folder of the case's own, and its own runtime folder, home, config
  // home and registry folder, so that cases may run side by side.
  void SetUp() override;
  void TearDown() override;

  const std::string& folder() const { return folder_; }
  std::string path(const std::string& relative) const { return folder_ + "/" + relative; }
  // A name no other case uses, for objects the system keeps.
  std::string uniqueName(const std::string& base) const;

  // The helper, running the commands in order, then ending.
  std::unique_ptr<platform::ChildProcess> startHelper(const std::vector<std::string>& commands);

 private:
  void setVariable(const std::string& name, const std::optional<std::string>& value);

  std::string folder_;
  std::map<std::string, std::optional<std::string>> saved_;
};

// Generous deadlines: a loaded two-core machine under Wine is slow.
constexpr auto kLongWait = std::chrono::seconds(60);

std::string readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::string& content);

}  // namespace platform_contract
