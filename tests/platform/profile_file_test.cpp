#include <platform/profile_file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "platform_test_env.h"

namespace platform_test {
namespace {

using platform::getProfileInt;
using platform::getProfileString;
using platform::writeProfileString;

class ProfileFileTest : public PlatformTest {
 protected:
  std::string ini() const { return path("settings.ini"); }
};

TEST_F(ProfileFileTest, AValueWrittenIsWhatTheNextReadReturns) {
  ASSERT_TRUE(writeProfileString("Config", "ExitOnConnectError", "1", ini()));
  EXPECT_EQ(readFile(ini()), "[Config]\nExitOnConnectError=1\n");
  EXPECT_EQ(getProfileInt("Config", "ExitOnConnectError", -1, ini()), 1);

  ASSERT_TRUE(writeProfileString("Config", "ExitOnConnectError", "0", ini()));
  ASSERT_TRUE(writeProfileString("Misc", "Debug", "verbose", ini()));
  ASSERT_TRUE(writeProfileString("Config", "ShowMsgNoControllers", "1", ini()));
  EXPECT_EQ(readFile(ini()),
            "[Config]\nExitOnConnectError=0\nShowMsgNoControllers=1\n[Misc]\nDebug=verbose\n");
  EXPECT_EQ(getProfileString("Misc", "Debug", "", ini()), "verbose");
}

TEST_F(ProfileFileTest, SectionAndKeyNamesIgnoreLetterCase) {
  writeFile(ini(), "[Config]\nExitOnConnectError=7\n");
  EXPECT_EQ(getProfileInt("CONFIG", "exitonconnecterror", -1, ini()), 7);
  EXPECT_EQ(getProfileInt("  config ", " ExitOnConnectError\t", -1, ini()), 7);
  ASSERT_TRUE(writeProfileString("config", "EXITONCONNECTERROR", "8", ini()));
  EXPECT_EQ(readFile(ini()), "[Config]\nExitOnConnectError=8\n") << "the file keeps its spelling";
}

TEST_F(ProfileFileTest, MissingThingsGiveTheDefault) {
  writeFile(ini(), "[Config]\nShown=1\nNoEquals\nEmpty=\n; Commented=5\n[Other]\nElsewhere=3\n");
  struct Case {
    const char* what;
    std::string file, section, key;
  };
  const Case cases[] = {
      {"missing file", path("absent.ini"), "Config", "Shown"},
      {"missing folder", path("absent/absent.ini"), "Config", "Shown"},
      {"folder, not file", folder(), "Config", "Shown"},
      {"missing section", ini(), "Nowhere", "Shown"},
      {"missing key", ini(), "Config", "Absent"},
      {"key of another section", ini(), "Config", "Elsewhere"},
      {"line without '='", ini(), "Config", "NoEquals"},
      {"commented out", ini(), "Config", "Commented"},
      {"empty key name", ini(), "Config", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(getProfileInt(c.section, c.key, 42, c.file), 42);
    EXPECT_EQ(getProfileString(c.section, c.key, "fallback", c.file), "fallback");
  }
  EXPECT_EQ(getProfileString("Config", "Empty", "fallback", ini()), "") << "present but empty";
  EXPECT_EQ(getProfileInt("Config", "Empty", 42, ini()), 42);
}

TEST_F(ProfileFileTest, IntegersAreReadLikeWindowsReadsThem) {
  struct Case {
    std::string value;
    int expected;
  };
  const Case cases[] = {
      {"12abc", 12},   {"abc", 0},        {"-5", -5},          {"+5", 5},
      {"0x1F", 31},    {"0X1f", 31},      {"0x", 0},           {"-0x10", -16},
      {" 7 ", 7},      {"\t7", 7},        {"", 99},            {"\"12\"", 12},
      {"007", 7},      {"1 2", 1},        {"- 5", 0},          {"2147483647", 2147483647},
      {"4294967295", -1},                 {"4294967296", 0},   {"0x7FFFFFFF", 2147483647},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("value \"" + c.value + "\"");
    ASSERT_TRUE(writeProfileString("Numbers", "Value", c.value, ini()));
    EXPECT_EQ(getProfileInt("Numbers", "Value", 99, ini()), c.expected);
  }
}

TEST_F(ProfileFileTest, StringsAreTrimmedAndLoseOnePairOfQuotes) {
  struct Case {
    std::string line;
    std::string expected;
  };
  const Case cases[] = {
      {"Key=  spaced value \t", "spaced value"},
      {"Key=\"quoted\"", "quoted"},
      {"Key='single'", "single"},
      {"Key=\"\"", ""},
      {"Key=\"\"inner\"\"", "\"inner\""},
      {"Key=\"unbalanced", "\"unbalanced"},
      {"Key=\"mixed'", "\"mixed'"},
      {"Key=\"", "\""},
      {"Key=a=b", "a=b"},
      {"Key=value ; not a comment", "value ; not a comment"},
      {"  Key  =  value  ", "value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    writeFile(ini(), "[S]\r\n" + c.line + "\r\n");
    EXPECT_EQ(getProfileString("S", "Key", "fallback", ini()), c.expected);
  }
}

TEST_F(ProfileFileTest, TheFirstMatchingSectionAndKeyWin) {
  writeFile(ini(), "[S]\nKey=first\nkey=second\n[s]\nKey=third\nOnlyLater=4\n");
  EXPECT_EQ(getProfileString("S", "Key", "", ini()), "first");
  EXPECT_EQ(getProfileString("S", "OnlyLater", "none", ini()), "none")
      << "only the first section of a name is looked at";
  ASSERT_TRUE(writeProfileString("S", "KEY", "changed", ini()));
  EXPECT_EQ(readFile(ini()), "[S]\nKey=changed\nkey=second\n[s]\nKey=third\nOnlyLater=4\n");
}

TEST_F(ProfileFileTest, WritingKeepsEveryOtherByte) {
  const std::string before =
      "\xEF\xBB\xBF; settings of the panel driver\r\n"
      "Stray=before any section\r\n"
      "[Config]\r\n"
      "  ExitOnConnectError = 1   \r\n"
      "; ShowMsgNoControllers=1\r\n"
      "\r\n"
      "[Misc]\r\n"
      "Debug=0\r\n"
      "\r\n";
  writeFile(ini(), before);
  ASSERT_TRUE(writeProfileString("Config", "ExitOnConnectError", "0", ini()));
  ASSERT_TRUE(writeProfileString("Config", "ShowMsgNoControllers", "2", ini()));
  ASSERT_TRUE(writeProfileString("Bridge", "Port", "500", ini()));
  EXPECT_EQ(readFile(ini()),
            "\xEF\xBB\xBF; settings of the panel driver\r\n"
            "Stray=before any section\r\n"
            "[Config]\r\n"
            "ExitOnConnectError=0\r\n"
            "; ShowMsgNoControllers=1\r\n"
            "ShowMsgNoControllers=2\r\n"
            "\r\n"
            "[Misc]\r\n"
            "Debug=0\r\n"
            "\r\n"
            "[Bridge]\r\n"
            "Port=500\r\n");
}

TEST_F(ProfileFileTest, AddedLinesFollowALastLineWithoutBreak) {
  struct Case {
    std::string before, section, expected;
  };
  const Case cases[] = {
      {"[A]\nx=1", "A", "[A]\nx=1\nKey=v\n"},
      {"[A]\nx=1", "B", "[A]\nx=1\n[B]\nKey=v\n"},
      {"[A]", "A", "[A]\nKey=v\n"},
      {"", "A", "[A]\nKey=v\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    writeFile(ini(), c.before);
    ASSERT_TRUE(writeProfileString(c.section, "Key", "v", ini()));
    EXPECT_EQ(readFile(ini()), c.expected);
  }
}

TEST_F(ProfileFileTest, WriteReplacesTheFileWholeAndKeepsItsPermissions) {
  writeFile(ini(), "[A]\nx=1\n");
  ASSERT_EQ(chmod(ini().c_str(), 0640), 0);
  ASSERT_TRUE(writeProfileString("A", "x", "2", ini()));
  struct stat info {};
  ASSERT_EQ(stat(ini().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder()))
    ++files;
  EXPECT_EQ(files, 1u) << "no temporary file is left behind";

  std::filesystem::create_symlink(ini(), path("link.ini"));
  ASSERT_TRUE(writeProfileString("A", "x", "3", path("link.ini")));
  EXPECT_TRUE(std::filesystem::is_symlink(path("link.ini"))) << "the link stays a link";
  EXPECT_EQ(readFile(ini()), "[A]\nx=3\n");
}

TEST_F(ProfileFileTest, AValueStoredAlreadyLeavesTheFileAsItIs) {
  writeFile(ini(), "[A]\nx=1\n");
  struct stat before {}, after {};
  ASSERT_EQ(stat(ini().c_str(), &before), 0);
  EXPECT_TRUE(writeProfileString("A", "x", "1", ini()));
  ASSERT_EQ(stat(ini().c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "not replaced";
  EXPECT_TRUE(writeProfileString("A", "x", "2", ini()));
  ASSERT_EQ(stat(ini().c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(readFile(ini()), "[A]\nx=2\n");
}

TEST_F(ProfileFileTest, WritersInTwoProgramsLoseNoChange) {
  const std::string file = path("Kestrix.ini");
  constexpr int kKeys = 60;
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    bool all = true;
    for (int i = 0; i < kKeys; ++i) all = writeProfileString("Child", "k" + std::to_string(i), "1", file) && all;
    _exit(all ? 0 : 1);
  }
  for (int i = 0; i < kKeys; ++i) EXPECT_TRUE(writeProfileString("Parent", "k" + std::to_string(i), "2", file));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  int missing = 0;
  for (int i = 0; i < kKeys; ++i) {
    missing += getProfileInt("Child", "k" + std::to_string(i), 0, file) != 1;
    missing += getProfileInt("Parent", "k" + std::to_string(i), 0, file) != 2;
  }
  EXPECT_EQ(missing, 0);
}

TEST_F(ProfileFileTest, WriteFailsWhereItCannotWrite) {
  EXPECT_FALSE(writeProfileString("A", "x", "1", path("absent/settings.ini")));
  EXPECT_FALSE(writeProfileString("A", "x", "1", folder()));
  EXPECT_FALSE(writeProfileString("", "x", "1", ini()));
  EXPECT_FALSE(writeProfileString("A", " ", "1", ini()));
  EXPECT_FALSE(std::filesystem::exists(ini()));
}

TEST_F(ProfileFileTest, MalformedFilesAreReadAndWrittenWithoutHarm) {
  std::mt19937 random(20240601);
  std::string garbage(64 * 1024, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  const std::string contents[] = {
      garbage,
      std::string(1 << 20, 'k') + "=v\n[A]\nx=1\n",
      "[A\nx=1\n[A]\nx=2\n",
      "[]\n=\n[=]\n]\n[[A]]\nx=3\n",
      std::string("[A]\nx=4\0hidden\n", 16),
      "\r\r\n\n\r[A]\r\nx=5",
      "[A]\n" + std::string(1 << 20, '=') + "\n",
  };
  for (const std::string& content : contents) {
    SCOPED_TRACE(content.substr(0, 20));
    writeFile(ini(), content);
    getProfileString("A", "x", "", ini());
    getProfileInt("A", "x", 0, ini());
    ASSERT_TRUE(writeProfileString("A", "written", "yes", ini()));
    EXPECT_EQ(getProfileString("A", "written", "no", ini()), "yes");
  }
}

}  // namespace
}  // namespace platform_test
