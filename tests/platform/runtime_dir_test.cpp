#include <platform/runtime_dir.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform_test_env.h"

namespace platform_test {
namespace {

class RuntimeDirTest : public PlatformTest {};

mode_t permissionsOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

TEST_F(RuntimeDirTest, FollowsTheEnvironmentInOrderOfPreference) {
  struct Case {
    const char* what;
    std::optional<std::string> own;
    std::optional<std::string> xdg;
    std::string expected;
  };
  const std::string fallback = "/tmp/kestrix-" + std::to_string(getuid());
  const Case cases[] = {
      {"own variable wins", path("own"), path("xdg"), path("own")},
      {"XDG runtime folder next", std::nullopt, path("xdg"), path("xdg") + "/kestrix"},
      {"empty own variable counts as unset", std::string(), path("xdg"), path("xdg") + "/kestrix"},
      {"per-user folder in /tmp last", std::nullopt, std::nullopt, fallback},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    setVariable("KESTRIX_RUNTIME_DIR", c.own);
    setVariable("XDG_RUNTIME_DIR", c.xdg);
    EXPECT_EQ(platform::runtimeDir(), c.expected);
    EXPECT_EQ(permissionsOf(c.expected), 0700u);
  }
}

TEST_F(RuntimeDirTest, RuntimePathCreatesTheFoldersOfTheRelativePart) {
  setVariable("KESTRIX_RUNTIME_DIR", path("deep/runtime"));
  std::string socket = platform::runtimePath("windows/peer/endpoint.sock");
  EXPECT_EQ(socket, path("deep/runtime/windows/peer/endpoint.sock"));
  EXPECT_EQ(permissionsOf(path("deep/runtime/windows/peer")), 0700u);
  EXPECT_NE(access(socket.c_str(), F_OK), 0) << "the last part is left for the caller to make";
}

}  // namespace
}  // namespace platform_test
