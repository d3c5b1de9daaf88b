#include <gtest/gtest.h>
#include <platform/version_info.h>
#include <registration/file_version_string.h>

#include "test_environment.h"

using platform::VersionDescription;
using platform::VersionStringTable;

namespace {

// A program-like file: unrelated bytes around the version block, at an odd
// offset, as a linker would leave it.
std::string fileWithBlock(const testsupport::TestEnvironment& env, const VersionDescription& d) {
  std::vector<uint8_t> block = platform::buildVersionBlock(d);
  std::string content = "\x7f" "ELF some code and data ";
  content.append(reinterpret_cast<const char*>(block.data()), block.size());
  content += " more bytes after the block";
  std::string path = env.root() + "/program";
  testsupport::writeFile(path, content);
  return path;
}

VersionStringTable table(uint16_t language, std::vector<std::pair<std::string, std::string>> strings) {
  VersionStringTable t;
  t.languageId = language;
  t.codePage = 0x04b0;
  t.strings = std::move(strings);
  return t;
}

}  // namespace

TEST(FileVersionString, TurnsTheFileVersionIntoDottedText) {
  struct Case {
    const char* fileVersion;
    const char* expected;
  };
  const Case cases[] = {
      {"1, 9, 17, 0", "1.9.17.0"},
      {"2,0 beta", "2.0beta"},
      {"3.1", "3.1"},
      {" 4 ,\t5\r\n", "4.5"},
      {"", ""},
  };
  for (const auto& c : cases) {
    testsupport::TestEnvironment env;
    VersionDescription d;
    d.tables = {table(0x0409, {{"CompanyName", "Quornel Limited"}, {"FileVersion", c.fileVersion}})};
    EXPECT_EQ(registration::fileVersionString(fileWithBlock(env, d)), c.expected) << c.fileVersion;
  }
}

TEST(FileVersionString, IsNotAvailableWithoutAVersionString) {
  testsupport::TestEnvironment env;
  VersionDescription noFileVersion;
  noFileVersion.tables = {table(0x0409, {{"ProductName", "Kestrix"}})};
  EXPECT_EQ(registration::fileVersionString(fileWithBlock(env, noFileVersion)), "N/A");

  std::string plain = env.root() + "/plain";
  testsupport::writeFile(plain, "no version resource in here");
  EXPECT_EQ(registration::fileVersionString(plain), "N/A");
  EXPECT_EQ(registration::fileVersionString(env.root() + "/missing"), "N/A");
}

TEST(FileVersionString, TheFirstTranslationWithAFileVersionWins) {
  testsupport::TestEnvironment env;
  VersionDescription d;
  d.tables = {table(0x0407, {{"ProductName", "Kestrix"}}),
              table(0x0409, {{"FileVersion", "3, 0"}}),
              table(0x040c, {{"FileVersion", "4, 0"}})};
  d.translations = {{0x0407, 0x04b0}, {0x0409, 0x04b0}, {0x040c, 0x04b0}};
  EXPECT_EQ(registration::fileVersionString(fileWithBlock(env, d)), "3.0");

  d.translations = {{0x040c, 0x04b0}, {0x0409, 0x04b0}};
  EXPECT_EQ(registration::fileVersionString(fileWithBlock(env, d)), "4.0");
}

TEST(FileVersionString, ReadsTheVersionOurBuildEmbedsInThePanelDriver) {
  EXPECT_EQ(registration::fileVersionString(testsupport::programPath("kestrix-module")),
            KESTRIX_EXPECTED_VERSION);
}
