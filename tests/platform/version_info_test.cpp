#include <platform/system_facts.h>
#include <platform/version_info.h>

#include <random>

#include "platform_test_env.h"

namespace platform_test {
namespace {

using platform::buildVersionBlock;
using platform::queryVersionValue;
using platform::readVersionResource;
using platform::VersionDescription;
using Bytes = std::vector<uint8_t>;

constexpr char kFileVersionPath[] = "\\StringFileInfo\\040904b0\\FileVersion";

uint16_t read16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
uint32_t read32(const Bytes& b, size_t at) { return read16(b, at) | (uint32_t{read16(b, at + 2)} << 16); }

// Reads a terminated UTF-16 key of ASCII letters.
std::string keyAt(const Bytes& b, size_t at) {
  std::string key;
  for (; at + 1 < b.size() && read16(b, at) != 0; at += 2) key += static_cast<char>(read16(b, at));
  return key;
}

std::optional<std::string> queryText(const Bytes& block, const std::string& path) {
  auto value = queryVersionValue(block, path);
  if (!value) return std::nullopt;
  return std::string(value->begin(), value->end());
}

VersionDescription panelDriver() {
  VersionDescription description;
  description.fileVersion[0] = 1, description.fileVersion[1] = 2;
  description.fileVersion[2] = 3, description.fileVersion[3] = 4;
  description.tables.push_back({0x0409, 0x04b0, {{"FileVersion", "1, 2, 3, 4"}, {"CompanyName", "Quornel Limited"}}});
  return description;
}

class VersionInfoTest : public PlatformTest {};

// Offsets worked out by hand from the VS_VERSIONINFO layout, for one string.
TEST_F(VersionInfoTest, BuiltBlockHasTheWindowsLayout) {
  VersionDescription description;
  description.fileVersion[0] = 1, description.fileVersion[1] = 2;
  description.fileVersion[2] = 3, description.fileVersion[3] = 4;
  description.tables.push_back({0x0409, 0x04b0, {{"A", "b"}}});
  Bytes block = buildVersionBlock(description);
  ASSERT_EQ(block.size(), 236u);

  struct Node {
    size_t at;
    uint16_t length, valueLength, type;
    const char* key;
  };
  const Node nodes[] = {
      {0, 236, 52, 0, "VS_VERSION_INFO"}, {92, 76, 0, 1, "StringFileInfo"},
      {128, 40, 0, 1, "040904b0"},        {152, 16, 2, 1, "A"},
      {168, 68, 0, 1, "VarFileInfo"},     {200, 36, 4, 0, "Translation"},
  };
  for (const Node& node : nodes) {
    SCOPED_TRACE(node.key);
    EXPECT_EQ(read16(block, node.at), node.length);
    EXPECT_EQ(read16(block, node.at + 2), node.valueLength);
    EXPECT_EQ(read16(block, node.at + 4), node.type);
    EXPECT_EQ(keyAt(block, node.at + 6), node.key);
  }
  EXPECT_EQ(read32(block, 40), 0xFEEF04BDu);  // VS_FIXEDFILEINFO signature
  EXPECT_EQ(read32(block, 48), 0x00010002u);  // file version, major and minor
  EXPECT_EQ(read32(block, 52), 0x00030004u);  // build and revision
  EXPECT_EQ(read16(block, 164), u'b');
  EXPECT_EQ(read16(block, 166), 0);
  EXPECT_EQ(read16(block, 232), 0x0409);
  EXPECT_EQ(read16(block, 234), 0x04b0);
}

TEST_F(VersionInfoTest, QueriesFindWhatTheBlockHolds) {
  VersionDescription description = panelDriver();
  description.tables.push_back({0x0407, 0x04e4, {{"FileVersion", "1,2,3,4 de"}, {"Empty", ""}}});
  description.tables.push_back({0x0409, 0x04e4, {}});
  description.translations = {{0x0407, 0x04e4}, {0x0409, 0x04b0}};
  Bytes block = buildVersionBlock(description);

  struct Case {
    std::string path;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {kFileVersionPath, "1, 2, 3, 4"},
      {"\\StringFileInfo\\040904B0\\fileversion", "1, 2, 3, 4"},
      {"StringFileInfo\\040904b0\\CompanyName", "Quornel Limited"},
      {"\\StringFileInfo\\040704e4\\FileVersion", "1,2,3,4 de"},
      {"\\StringFileInfo\\040704e4\\Empty", ""},
      {"\\StringFileInfo\\040704e4\\CompanyName", std::nullopt},
      {"\\StringFileInfo\\040904e4\\FileVersion", std::nullopt},
      {"\\StringFileInfo\\041104b0\\FileVersion", std::nullopt},
      {"\\StringFileInfo\\040904b0\\FileVersion\\Deeper", std::nullopt},
      {"\\NoSuchInfo", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(queryText(block, c.path), c.expected);
  }
  EXPECT_EQ(queryVersionValue(block, "\\VarFileInfo\\Translation"),
            (Bytes{0x07, 0x04, 0xe4, 0x04, 0x09, 0x04, 0xb0, 0x04}));
  auto fixed = queryVersionValue(block, "\\");
  ASSERT_TRUE(fixed);
  ASSERT_EQ(fixed->size(), 52u);
  EXPECT_EQ(read32(*fixed, 0), 0xFEEF04BDu);
  EXPECT_EQ(read32(*fixed, 8), 0x00010002u);
  EXPECT_EQ(read32(*fixed, 12), 0x00030004u);
}

TEST_F(VersionInfoTest, TranslationsDefaultToOnePerTable) {
  VersionDescription description = panelDriver();
  description.tables.push_back({0x0407, 0x04e4, {}});
  EXPECT_EQ(queryVersionValue(buildVersionBlock(description), "\\VarFileInfo\\Translation"),
            (Bytes{0x09, 0x04, 0xb0, 0x04, 0x07, 0x04, 0xe4, 0x04}));
  EXPECT_EQ(queryVersionValue(buildVersionBlock(VersionDescription{}), "\\VarFileInfo\\Translation"),
            std::nullopt)
      << "no tables, no translations";
}

TEST_F(VersionInfoTest, TextComesBackAsUtf8) {
  const std::string texts[] = {"Quörnel Límited", "✈ Kestrix", "pilot 🛩 panel", ""};
  for (const std::string& text : texts) {
    VersionDescription description;
    description.tables.push_back({0x0409, 0x04b0, {{"FileDescription", text}}});
    EXPECT_EQ(queryText(buildVersionBlock(description), "\\StringFileInfo\\040904b0\\FileDescription"),
              text);
  }
}

TEST_F(VersionInfoTest, ADescriptionTooLargeForTheBlockGivesNoBlock) {
  VersionDescription description;
  description.tables.push_back({0x0409, 0x04b0, {{"Comments", std::string(40000, 'x')}}});
  EXPECT_TRUE(buildVersionBlock(description).empty());
}

TEST_F(VersionInfoTest, CorruptBlocksAreReadWithoutHarm) {
  const Bytes good = buildVersionBlock(panelDriver());
  const std::string paths[] = {"\\", kFileVersionPath, "\\StringFileInfo\\040904b0\\CompanyName",
                               "\\VarFileInfo\\Translation", "\\StringFileInfo"};
  auto queryAll = [&](const Bytes& block) {
    for (const std::string& path : paths) queryVersionValue(block, path);
  };
  for (size_t length = 0; length < good.size(); ++length) {
    Bytes truncated(good.begin(), good.begin() + static_cast<long>(length));
    queryAll(truncated);
    EXPECT_EQ(queryText(truncated, kFileVersionPath), std::nullopt) << length;
  }
  std::mt19937 random(7);
  for (size_t at = 0; at < good.size(); ++at) {
    for (uint8_t value : {uint8_t{0}, uint8_t{0xFF}, static_cast<uint8_t>(random())}) {
      Bytes damaged = good;
      damaged[at] = value;
      queryAll(damaged);
    }
  }
  for (int round = 0; round < 200; ++round) {
    Bytes garbage(random() % 400);
    for (uint8_t& byte : garbage) byte = static_cast<uint8_t>(random());
    queryAll(garbage);
  }
}

class VersionResourceFileTest : public VersionInfoTest {
 protected:
  std::string fileWith(const Bytes& content) {
    writeFile(path("program"), std::string(content.begin(), content.end()));
    return path("program");
  }
};

Bytes randomBytes(size_t count, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(count);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random() % 250);  // never 0xFF, 0xFE
  return bytes;
}

Bytes joined(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(VersionResourceFileTest, FindsTheBlockAnywhereInAFile) {
  const Bytes block = buildVersionBlock(panelDriver());
  // The block's key without a valid header around it, as a string table might hold it.
  Bytes decoy(block.begin(), block.begin() + 40);
  decoy[2] = 0x07;  // a value length no VS_VERSIONINFO has

  Bytes endsEarly = block;
  endsEarly[0] = static_cast<uint8_t>(block.size() + 1);

  struct Case {
    const char* what;
    Bytes file;
    bool found;
  };
  const Case cases[] = {
      {"whole file", block, true},
      {"odd offset", joined({randomBytes(1001, 1), block, randomBytes(333, 2)}), true},
      {"after a decoy", joined({randomBytes(17, 3), decoy, randomBytes(5, 4), block}), true},
      {"only a decoy", joined({randomBytes(17, 3), decoy, randomBytes(500, 4)}), false},
      {"block cut by the end of file", Bytes(block.begin(), block.end() - 1), false},
      {"length past the end of file", endsEarly, false},
      {"key at the very start", Bytes(block.begin() + 6, block.end()), false},
      {"no block", randomBytes(5000, 5), false},
      {"empty file", {}, false},
      // Files are read a MiB at a time: blocks on, across and after that mark.
      {"across the first MiB", joined({randomBytes((1 << 20) - 100, 6), block, randomBytes(10, 7)}), true},
      {"key right after the first MiB", joined({randomBytes((1 << 20) - 6, 8), block}), true},
      {"deep in a large file", joined({randomBytes(3 << 20, 9), block, randomBytes(1 << 20, 10)}), true},
      {"a decoy across the first MiB, the block later",
       joined({randomBytes((1 << 20) - 20, 11), decoy, randomBytes(70000, 12), block}), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto found = readVersionResource(fileWith(c.file));
    ASSERT_EQ(found.has_value(), c.found);
    if (c.found) {
      EXPECT_EQ(*found, block);
    }
  }
  EXPECT_EQ(readVersionResource(path("absent")), std::nullopt);
  EXPECT_EQ(readVersionResource(folder()), std::nullopt);
}

TEST_F(VersionResourceFileTest, AProgramWithoutAnEmbeddedBlockHasNone) {
  // This test program builds blocks but embeds none; finding one would mean
  // the reader's own search key had become data of the program.
  EXPECT_EQ(readVersionResource(platform::ownProgramPath()), std::nullopt);
}

}  // namespace
}  // namespace platform_test
