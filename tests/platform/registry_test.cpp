#include <platform/registry.h>

#include <filesystem>
#include <thread>

#include "platform_test_env.h"

namespace platform_test {
namespace {

using platform::RegistryHive;
using platform::RegistryKey;
namespace error = platform::registry_error;

class RegistryTest : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    setVariable("KESTRIX_REGISTRY", path("registry"));
    std::filesystem::create_directories(path("registry"));
  }
  std::string hiveFile(const char* name) const { return path("registry/") + name + ".reg"; }
  void writeMachineHive(const std::string& text) { writeFile(hiveFile("HKEY_LOCAL_MACHINE"), text); }
};

struct ValueRead {
  uint32_t status = 0;
  uint32_t type = 0;
  std::string data;
};

ValueRead readValue(const RegistryKey& key, const std::string& name, size_t room = 4096) {
  ValueRead read;
  std::string buffer(room, '\x7f');
  uint32_t size = 0;
  read.status = key.queryValue(name, read.type, buffer, size);
  if (read.status == error::kSuccess) read.data = buffer.substr(0, size);
  return read;
}

RegistryKey openKey(RegistryHive hive, const std::string& path) {
  RegistryKey key;
  EXPECT_EQ(RegistryKey::open(hive, path, key), error::kSuccess) << path;
  return key;
}

constexpr char kTypedValues[] =
    "REGEDIT4\n"
    "\n"
    "; values of every form regedit writes\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product]\n"
    "\"Text\"=\"C:\\\\Sim \\\"X\\\"\\\\\"\n"
    "@=\"default\"\n"
    "\"Number\"=dword:0000012c\n"
    "\"Expand\"=hex(2):25,41,25,00\n"
    "\"Unterminated\"=hex(1):41,42\n"
    "\"Binary\"=hex:01,02,\\\n"
    "  03,ff\n"
    "\"Empty\"=\"\"\n"
    "\"NoBytes\"=hex(1):\n"
    "\"Gone\"=\"x\"\n"
    "\"Gone\"=-\n"
    "\"Later\"=\"first\"\n"
    "\"Later\"=\"second\"\n"
    "\"Broken\"=dword:xyz\n"
    "\n"
    "[HKEY_CURRENT_USER\\SOFTWARE\\Vendor\\Product]\n"
    "\"Other\"=\"another hive's section\"\n";

TEST_F(RegistryTest, ReadsEveryValueFormWithItsTypeAndBytes) {
  struct Case {
    const char* name;
    uint32_t status;
    uint32_t type;
    std::string data;
  };
  const Case cases[] = {
      {"Text", error::kSuccess, platform::kRegSz, std::string("C:\\Sim \"X\"\\\0", 12)},
      {"", error::kSuccess, platform::kRegSz, std::string("default\0", 8)},
      {"Number", error::kSuccess, platform::kRegDword, std::string("\x2c\x01\0\0", 4)},
      {"Expand", error::kSuccess, platform::kRegExpandSz, std::string("%A%\0", 4)},
      {"Unterminated", error::kSuccess, platform::kRegSz, "AB"},
      {"Binary", error::kSuccess, platform::kRegBinary, "\x01\x02\x03\xff"},
      {"Empty", error::kSuccess, platform::kRegSz, std::string("\0", 1)},
      {"NoBytes", error::kSuccess, platform::kRegSz, ""},
      {"Later", error::kSuccess, platform::kRegSz, std::string("second\0", 7)},
      {"Gone", error::kFileNotFound, 0, ""},
      {"Broken", error::kFileNotFound, 0, ""},
      {"Other", error::kFileNotFound, 0, ""},
      {"Absent", error::kFileNotFound, 0, ""},
  };
  // Files written on Windows have CR LF line ends.
  for (const char* lineEnd : {"\n", "\r\n"}) {
    std::string text = kTypedValues;
    if (std::string(lineEnd) == "\r\n")
      for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
        text.replace(at, 1, "\r\n");
    writeMachineHive(text);
    RegistryKey key = openKey(RegistryHive::LocalMachine, "SOFTWARE\\Vendor\\Product");
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (lineEnd[0] == '\r' ? " (CR LF)" : ""));
      ValueRead read = readValue(key, c.name);
      EXPECT_EQ(read.status, c.status);
      if (c.status != error::kSuccess) continue;
      EXPECT_EQ(read.type, c.type);
      EXPECT_EQ(read.data, c.data);
    }
  }
}

TEST_F(RegistryTest, KeysExistWithTheirSectionOrOneBelowAndIgnoreLetterCase) {
  writeMachineHive(kTypedValues);
  struct Case {
    RegistryHive hive;
    const char* path;
    uint32_t status;
  };
  const Case cases[] = {
      {RegistryHive::LocalMachine, "SOFTWARE\\Vendor\\Product", error::kSuccess},
      {RegistryHive::LocalMachine, "software\\VENDOR\\product", error::kSuccess},
      {RegistryHive::LocalMachine, "SOFTWARE\\Vendor", error::kSuccess},
      {RegistryHive::LocalMachine, "SOFTWARE", error::kSuccess},
      {RegistryHive::LocalMachine, "SOFTWARE\\Vend", error::kFileNotFound},
      {RegistryHive::LocalMachine, "SOFTWARE\\Vendor\\Product\\Deeper", error::kFileNotFound},
      {RegistryHive::LocalMachine, "SOFTWARE\\Other", error::kFileNotFound},
      // The other hive's section in this file does not count; that hive has
      // no file at all.
      {RegistryHive::CurrentUser, "SOFTWARE\\Vendor\\Product", error::kFileNotFound},
  };
  for (const Case& c : cases) {
    RegistryKey key;
    EXPECT_EQ(RegistryKey::open(c.hive, c.path, key), c.status) << c.path;
    EXPECT_EQ(key.isOpen(), c.status == error::kSuccess) << c.path;
  }
  RegistryKey key = openKey(RegistryHive::LocalMachine, "SOFTWARE\\VENDOR\\PRODUCT");
  EXPECT_EQ(readValue(key, "text").status, error::kSuccess) << "value names ignore letter case too";
}

TEST_F(RegistryTest, AValueThatDoesNotFitTellsTheLengthItNeeds) {
  writeMachineHive(kTypedValues);
  RegistryKey key = openKey(RegistryHive::LocalMachine, "SOFTWARE\\Vendor\\Product");
  std::string buffer(4, '\0');
  uint32_t type = 0, size = 0;
  EXPECT_EQ(key.queryValue("Text", type, buffer, size), error::kMoreData);
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(readValue(key, "Text", 12).status, error::kSuccess) << "exactly enough room";
}

TEST_F(RegistryTest, AKeyRemovedAfterOpeningSaysSo) {
  writeMachineHive(kTypedValues);
  RegistryKey key = openKey(RegistryHive::LocalMachine, "SOFTWARE\\Vendor\\Product");
  writeMachineHive("REGEDIT4\n");
  EXPECT_EQ(readValue(key, "Text").status, error::kKeyDeleted);
}

TEST_F(RegistryTest, WrittenStringsReadBackAndEveryOtherValueStaysAsItWas) {
  writeMachineHive(kTypedValues);
  RegistryKey product = openKey(RegistryHive::LocalMachine, "SOFTWARE\\Vendor\\Product");
  ASSERT_EQ(product.setStringValue("Text", "replaced"), error::kSuccess);
  ASSERT_EQ(product.setStringValue("Two lines", "a\nb"), error::kSuccess);
  RegistryKey created;
  ASSERT_EQ(RegistryKey::create(RegistryHive::LocalMachine, "SOFTWARE\\Quornel Limited\\Squarix", created),
            error::kSuccess);
  ASSERT_EQ(created.setStringValue("Config", "Default \"quoted\" \\ path"), error::kSuccess);

  EXPECT_EQ(readFile(hiveFile("HKEY_LOCAL_MACHINE")),
            "REGEDIT4\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product]\n"
            "\"Text\"=\"replaced\"\n"
            "@=\"default\"\n"
            "\"Number\"=dword:0000012c\n"
            "\"Expand\"=hex(2):25,41,25,00\n"
            "\"Unterminated\"=hex(1):41,42\n"
            "\"Binary\"=hex:01,02,03,ff\n"
            "\"Empty\"=\"\"\n"
            "\"NoBytes\"=hex(1):\n"
            "\"Later\"=\"second\"\n"
            "\"Two lines\"=hex(1):61,0a,62,00\n"
            "\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quornel Limited\\Squarix]\n"
            "\"Config\"=\"Default \\\"quoted\\\" \\\\ path\"\n");

  RegistryKey reopened = openKey(RegistryHive::LocalMachine, "SOFTWARE\\Quornel Limited\\Squarix");
  EXPECT_EQ(readValue(reopened, "Config").data, std::string("Default \"quoted\" \\ path\0", 24));
  EXPECT_EQ(readValue(product, "Two lines").data, std::string("a\nb\0", 4));
  EXPECT_EQ(readValue(product, "Unterminated").data, "AB");
}

TEST_F(RegistryTest, EachHiveHasItsOwnFileInTheChosenFolder) {
  RegistryKey user, machine;
  ASSERT_EQ(RegistryKey::create(RegistryHive::CurrentUser, "SOFTWARE\\A", user), error::kSuccess);
  ASSERT_EQ(user.setStringValue("Where", "user"), error::kSuccess);
  EXPECT_FALSE(std::filesystem::exists(hiveFile("HKEY_LOCAL_MACHINE")));
  EXPECT_EQ(RegistryKey::open(RegistryHive::LocalMachine, "SOFTWARE\\A", machine), error::kFileNotFound);
  EXPECT_EQ(readFile(hiveFile("HKEY_CURRENT_USER")),
            "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\A]\n\"Where\"=\"user\"\n");

  // Without $KESTRIX_REGISTRY the store is in the configuration home.
  setVariable("KESTRIX_REGISTRY", std::nullopt);
  ASSERT_EQ(RegistryKey::create(RegistryHive::LocalMachine, "SOFTWARE\\B", machine), error::kSuccess);
  ASSERT_EQ(machine.setStringValue("Where", "machine"), error::kSuccess);
  EXPECT_EQ(platform::registryHivePath(RegistryHive::LocalMachine),
            path("config/kestrix/registry/HKEY_LOCAL_MACHINE.reg"));
  EXPECT_TRUE(std::filesystem::exists(path("config/kestrix/registry/HKEY_LOCAL_MACHINE.reg")));
}

TEST_F(RegistryTest, WritersTakingTurnsLoseNoValue) {
  RegistryKey key;
  ASSERT_EQ(RegistryKey::create(RegistryHive::CurrentUser, "SOFTWARE\\Busy", key), error::kSuccess);
  constexpr int kWrites = 25;
  auto writer = [&](const std::string& prefix) {
    for (int i = 0; i < kWrites; ++i) key.setStringValue(prefix + std::to_string(i), "v");
  };
  std::thread first(writer, "first"), second(writer, "second");
  first.join();
  second.join();
  for (const char* prefix : {"first", "second"})
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(readValue(key, prefix + std::to_string(i)).status, error::kSuccess) << prefix << i;
  for (const auto& entry : std::filesystem::directory_iterator(path("registry")))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace platform_test
