#include "platform_test_env.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace platform_test {

void PlatformTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrix-platform-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  folder_ = pattern;
  setVariable("KESTRIX_RUNTIME_DIR", path("runtime"));
  setVariable("HOME", path("home"));
  setVariable("XDG_CONFIG_HOME", path("config"));
}

void PlatformTest::TearDown() {
  for (const auto& [name, value] : saved_) {
    if (value)
      setenv(name.c_str(), value->c_str(), 1);
    else
      unsetenv(name.c_str());
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

void PlatformTest::setVariable(const std::string& name, const std::optional<std::string>& value) {
  if (!saved_.count(name)) {
    const char* old = std::getenv(name.c_str());
    saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
  }
  if (value)
    setenv(name.c_str(), value->c_str(), 1);
  else
    unsetenv(name.c_str());
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

}  // namespace platform_test
