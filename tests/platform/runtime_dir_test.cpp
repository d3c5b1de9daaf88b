#include <platform/runtime_dir.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <functional>

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

TEST_F(RuntimeDirTest, OnlyAPrivateFolderOfOursIsTrusted) {
  struct Case {
    const char* what;
    std::function<void(const std::string&)> make;  // empty: the folder is made on first use
    std::optional<std::string> problem;
  };
  const bool root = geteuid() == 0;
  const Case cases[] = {
      {"made on first use", {}, std::nullopt},
      {"made by us, private", [](const std::string& d) { mkdir(d.c_str(), 0700); }, std::nullopt},
      {"open to everyone", [](const std::string& d) { mkdir(d.c_str(), 0700); chmod(d.c_str(), 0777); },
       "other users may open it"},
      {"readable by the group", [](const std::string& d) { mkdir(d.c_str(), 0700); chmod(d.c_str(), 0750); },
       "other users may open it"},
      {"a link to a private folder",
       [this](const std::string& d) {
         mkdir(path("target").c_str(), 0700);
         symlink(path("target").c_str(), d.c_str());
       },
       "it is no folder"},
      {"a plain file", [](const std::string& d) { close(creat(d.c_str(), 0600)); }, "it is no folder"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = path("runtime" + std::to_string(n++));
    if (c.make) c.make(dir);
    setVariable("KESTRIX_RUNTIME_DIR", dir);
    EXPECT_EQ(platform::runtimeDirProblem(), c.problem);
  }
  if (!root) GTEST_SKIP() << "only root can give a folder to another user";
  const std::string foreign = path("foreign");
  ASSERT_EQ(mkdir(foreign.c_str(), 0700), 0);
  ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
  setVariable("KESTRIX_RUNTIME_DIR", foreign);
  EXPECT_EQ(platform::runtimeDirProblem(), std::optional<std::string>("it belongs to another user"));
}

}  // namespace
}  // namespace platform_test
