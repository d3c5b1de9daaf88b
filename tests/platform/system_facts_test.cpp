#include <platform/system_facts.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <future>

#include "helper_process.h"
#include "platform_test_env.h"

namespace platform_test {
namespace {

class SystemFactsTest : public PlatformTest {};

TEST_F(SystemFactsTest, RoamingAppDataFolderComesFromTheConfigHome) {
  struct Case {
    std::optional<std::string> configHome;
    std::string expected;
  };
  const Case cases[] = {
      {path("config"), path("config")},
      {std::string(), path("home") + "/.config"},
      {std::nullopt, path("home") + "/.config"},
  };
  for (const Case& c : cases) {
    setVariable("XDG_CONFIG_HOME", c.configHome);
    EXPECT_EQ(platform::roamingAppDataFolder(), c.expected);
  }
  EXPECT_FALSE(std::filesystem::exists(path("home"))) << "the folder is not created";
}

TEST_F(SystemFactsTest, CreateFolderChainMakesEveryMissingFolder) {
  const std::string deep = path("config/Quornel Limited/SimConnect Modules");
  EXPECT_TRUE(platform::createFolderChain(deep));
  EXPECT_TRUE(std::filesystem::is_directory(deep));
  EXPECT_TRUE(platform::createFolderChain(deep)) << "an existing folder is fine";
  EXPECT_TRUE(platform::createFolderChain(path("a//b/")));
  EXPECT_TRUE(std::filesystem::is_directory(path("a/b")));

  writeFile(path("file"), "x");
  EXPECT_FALSE(platform::createFolderChain(path("file")));
  EXPECT_FALSE(platform::createFolderChain(path("file/below")));
  EXPECT_FALSE(platform::createFolderChain(""));
}

TEST_F(SystemFactsTest, EnvironmentValueTellsUnsetFromEmpty) {
  setVariable("KESTRIX_TEST_VALUE", std::nullopt);
  EXPECT_EQ(platform::environmentValue("KESTRIX_TEST_VALUE"), std::nullopt);
  setVariable("KESTRIX_TEST_VALUE", std::string());
  EXPECT_EQ(platform::environmentValue("KESTRIX_TEST_VALUE"), "");
  setVariable("KESTRIX_TEST_VALUE", std::string("1"));
  EXPECT_EQ(platform::environmentValue("KESTRIX_TEST_VALUE"), "1");
}

TEST_F(SystemFactsTest, ProcessFactsNameTheRunningProgram) {
  HelperProcess helper;
  EXPECT_EQ(helper.ask("pid"), std::to_string(helper.pid()));
  EXPECT_EQ(helper.ask("program-path"), std::filesystem::canonical(PLATFORM_TEST_HELPER).string());
  EXPECT_EQ(platform::processId(), static_cast<uint32_t>(getpid()));
}

TEST_F(SystemFactsTest, EveryThreadHasItsOwnId) {
  EXPECT_EQ(platform::threadId(), platform::processId()) << "on Linux the main thread's id is the pid";
  uint32_t other = std::async(std::launch::async, [] { return platform::threadId(); }).get();
  EXPECT_NE(other, platform::threadId());
}

TEST_F(SystemFactsTest, ComputerNameIsShortAndUpperCase) {
  std::string name = platform::computerName();
  EXPECT_LE(name.size(), 15u);
  EXPECT_EQ(name.find('.'), std::string::npos);
  for (char c : name) EXPECT_FALSE(c >= 'a' && c <= 'z') << name;
}

TEST_F(SystemFactsTest, LocalTimeFollowsTheTimeZoneOfTheMoment) {
  struct Case {
    const char* zone;
    int hoursAheadOfUtc;
  };
  const Case cases[] = {{"UTC0", 0}, {"KST-9", 9}, {"EST5", -5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zone);
    setVariable("TZ", std::string(c.zone));
    platform::LocalTime local{};
    std::time_t before = 0, after = 1;
    while (before != after) {  // both readings within one second
      before = std::time(nullptr);
      local = platform::localTimeNow();
      after = std::time(nullptr);
    }
    std::time_t shifted = before + c.hoursAheadOfUtc * 3600;
    std::tm expected{};
    gmtime_r(&shifted, &expected);
    EXPECT_EQ(local.year, expected.tm_year + 1900);
    EXPECT_EQ(local.month, expected.tm_mon + 1);
    EXPECT_EQ(local.day, expected.tm_mday);
    EXPECT_EQ(local.hour, expected.tm_hour);
    EXPECT_EQ(local.minute, expected.tm_min);
    EXPECT_EQ(local.second, expected.tm_sec);
  }
}

}  // namespace
}  // namespace platform_test

namespace platform_test {
namespace {

// What `top -H` and a debugger show for the thread.
std::string shownName(uint32_t threadId) {
  std::ifstream comm("/proc/self/task/" + std::to_string(threadId) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

TEST(ThreadNameTest, AThreadIsShownByItsNameCutToWhatTheSystemKeeps) {
  const struct {
    std::string given, shown;
  } cases[] = {
      {"keys", "keys"},
      {"0000A001 refresh", "0000A001 refres"},
  };
  for (const auto& c : cases) {
    auto shown = std::async(std::launch::async, [&] {
      platform::nameThisThread(c.given);
      return shownName(platform::threadId());
    });
    EXPECT_EQ(shown.get(), c.shown);
  }
}

}  // namespace
}  // namespace platform_test
