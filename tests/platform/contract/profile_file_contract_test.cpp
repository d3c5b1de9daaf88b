#include <platform/profile_file.h>

#include <filesystem>

#include "contract_fixture.h"

namespace platform_contract {
namespace {

class ProfileFileContract : public ContractTest {};

TEST_F(ProfileFileContract, FileAndSectionAreMadeByTheFirstWrite) {
  const std::string file = path("settings.ini");
  ASSERT_TRUE(platform::writeProfileString("Radio", "Channel", "COM1", file));
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(platform::getProfileString("Radio", "Channel", "none", file), "COM1");
  ASSERT_TRUE(platform::writeProfileString("Radio", "Debug", "1", file));
  ASSERT_TRUE(platform::writeProfileString("Transponder", "Mode", "2", file));
  EXPECT_EQ(platform::getProfileString("Radio", "Channel", "none", file), "COM1")
      << "other keys keep their values";
  EXPECT_EQ(platform::getProfileInt("Transponder", "Mode", -1, file), 2);
}

TEST_F(ProfileFileContract, ValuesReadAsTheWindowsProfileFunctionsDo) {
  const std::string file = path("read.ini");
  writeWholeFile(file,
                 "; a comment\r\n[Values]\r\nPlain = text with blanks  \r\nQuoted=\"in quotes\"\r\n"
                 "Hex=0x1F\r\nLeading=12abc\r\nNegative=-5\r\nWord=abc\r\nEmpty=\r\n");
  struct Case {
    const char* key;
    const char* text;
    int number;
  };
  const Case cases[] = {
      {"Plain", "text with blanks", 0}, {"QUOTED", "in quotes", 0}, {"Hex", "0x1F", 31},
      {"leading", "12abc", 12},         {"Negative", "-5", -5},     {"Word", "abc", 0},
      {"Empty", "", 7},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::getProfileString("values", c.key, "default", file), c.text) << c.key;
    EXPECT_EQ(platform::getProfileInt("VALUES", c.key, 7, file), c.number) << c.key;
  }
  EXPECT_EQ(platform::getProfileString("Values", "Missing", "default", file), "default");
  EXPECT_EQ(platform::getProfileString("Missing", "Plain", "default", file), "default");
  EXPECT_EQ(platform::getProfileInt("Values", "Missing", 9, path("no-such-file.ini")), 9);
}

TEST_F(ProfileFileContract, WriteReplacesTheFileAndLeavesNothingBeside) {
  const std::string file = path("edited.ini");
  writeWholeFile(file, "[Keep]\r\nThis=as it was\r\n");
  for (int i = 0; i < 5; ++i)
    ASSERT_TRUE(platform::writeProfileString("Count", "Value", std::to_string(i), file));
  EXPECT_EQ(platform::getProfileInt("Count", "Value", -1, file), 4);
  EXPECT_EQ(platform::getProfileString("Keep", "This", "", file), "as it was");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder()))
    if (entry.is_regular_file()) ++entries;
  EXPECT_EQ(entries, 1) << "no temporary file is left beside the profile";
}

}  // namespace
}  // namespace platform_contract
