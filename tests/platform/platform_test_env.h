#pragma once
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

namespace platform_test {

// Gives each test its own temporary folder with its own runtime folder,
// home and config home, and puts the environment back afterwards, so that
// cases can run side by side and never meet each other's named objects.
class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Sets (or with nothing, unsets) a variable until the end of the test.
  void setVariable(const std::string& name, const std::optional<std::string>& value);

  const std::string& folder() const { return folder_; }
  std::string path(const std::string& relative) const { return folder_ + "/" + relative; }

 private:
  std::string folder_;
  std::map<std::string, std::optional<std::string>> saved_;
};

// Reads and writes whole files, for tests.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

}  // namespace platform_test
