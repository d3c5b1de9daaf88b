#include <platform/version_info.h>
#include <sys/wait.h>

#include <filesystem>
#include <regex>

#include "helper_process.h"
#include "platform_test_env.h"

namespace platform_test {
namespace {

using Bytes = std::vector<uint8_t>;

class VersiongenTest : public PlatformTest {
 protected:
  int runVersiongen(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), KESTRIX_VERSIONGEN);
    HelperProcess tool(arguments);
    tool.closeInput();
    tool.readToEnd();
    int status = tool.waitForExit();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

std::optional<std::string> stringOf(const Bytes& block, const std::string& name) {
  auto value = platform::queryVersionValue(block, "\\StringFileInfo\\040904b0\\" + name);
  if (!value) return std::nullopt;
  return std::string(value->begin(), value->end());
}

TEST_F(VersiongenTest, AnEmbeddingProgramFindsItsOwnVersion) {
  HelperProcess program;
  EXPECT_EQ(program.ask("file-version"), EXPECTED_FILE_VERSION);

  auto block = platform::readVersionResource(PLATFORM_TEST_HELPER);
  ASSERT_TRUE(block);
  EXPECT_EQ(stringOf(*block, "ProductVersion"), EXPECTED_FILE_VERSION);
  EXPECT_EQ(stringOf(*block, "CompanyName"), "Quornel Limited");
  EXPECT_EQ(stringOf(*block, "FileDescription"), "Kestrix platform test helper");
  EXPECT_EQ(platform::queryVersionValue(*block, "\\VarFileInfo\\Translation"),
            (Bytes{0x09, 0x04, 0xb0, 0x04}));
}

TEST_F(VersiongenTest, WritesTheBlockAsAnArrayInItsOwnSection) {
  const std::string out = path("version_block.cpp");
  ASSERT_EQ(runVersiongen({out, "2", "0", "65535", "7", "FileVersion=2, 0, 65535, 7",
                           "Comments=a=b, \"quoted\"", "Empty="}),
            0);
  const std::string source = readFile(out);
  EXPECT_NE(source.find("__attribute__((used, aligned(4), section(\".kestrix_version\")))"),
            std::string::npos);
  EXPECT_NE(source.find("extern \"C\""), std::string::npos);

  Bytes written;
  const std::string array = source.substr(source.find('{'));
  const std::regex byte("0x([0-9a-f]{2})");
  for (std::sregex_iterator it(array.begin(), array.end(), byte), end; it != end; ++it)
    written.push_back(static_cast<uint8_t>(std::stoi((*it)[1], nullptr, 16)));

  platform::VersionDescription expected;
  expected.fileVersion[0] = 2, expected.fileVersion[2] = 65535, expected.fileVersion[3] = 7;
  expected.tables.push_back(
      {0x0409, 0x04b0, {{"FileVersion", "2, 0, 65535, 7"}, {"Comments", "a=b, \"quoted\""}, {"Empty", ""}}});
  EXPECT_EQ(written, platform::buildVersionBlock(expected));
}

TEST_F(VersiongenTest, RefusesBadArguments) {
  const std::string out = path("version_block.cpp");
  const std::vector<std::string> cases[] = {
      {out, "1", "0", "0"},
      {out, "1", "0", "0", "x"},
      {out, "1", "0", "0", "65536"},
      {out, "1", "0", "0", "-1"},
      {out, "1", "0", "0", "0", "NoEquals"},
      {out, "1", "0", "0", "0", "=NoName"},
      {out, "1", "0", "0", "0", "Comments=" + std::string(40000, 'x')},
  };
  for (const auto& arguments : cases) {
    SCOPED_TRACE(arguments.back().substr(0, 20));
    EXPECT_EQ(runVersiongen(arguments), 2);
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  EXPECT_EQ(runVersiongen({path("absent/version_block.cpp"), "1", "0", "0", "0"}), 1);
}

}  // namespace
}  // namespace platform_test
