#include <platform/registry.h>

#include <array>

#include "contract_fixture.h"

namespace platform_contract {
namespace {

using platform::RegistryHive;
using platform::RegistryKey;
namespace error = platform::registry_error;

class RegistryContract : public ContractTest {
 protected:
  std::string keyPath() { return "Software\\Kestrix Contract\\" + uniqueName("case"); }
};

TEST_F(RegistryContract, StringValueWrittenIsReadBackWithItsType) {
  const std::string path = keyPath();
  RegistryKey key;
  ASSERT_EQ(RegistryKey::create(RegistryHive::CurrentUser, path, key), error::kSuccess);
  struct Case {
    std::string name, text;
  };
  const std::array<Case, 3> cases = {{
      {"SetupPath", "C:\\Program Files\\Microsoft Games\\FSX\\"},
      {"", "the default value"},
      {"Unicode", "Zu\xC5\xBC" "elnik \xC3\xBC"},
  }};
  for (const Case& c : cases) ASSERT_EQ(key.setStringValue(c.name, c.text), error::kSuccess) << c.name;

  RegistryKey again;
  ASSERT_EQ(RegistryKey::open(RegistryHive::CurrentUser, path, again), error::kSuccess);
  for (const Case& c : cases) {
    std::array<char, 256> data{};
    uint32_t type = 0, size = 0;
    ASSERT_EQ(again.queryValue(c.name, type, data, size), error::kSuccess) << c.name;
    EXPECT_EQ(type, platform::kRegSz) << c.name;
    EXPECT_EQ(std::string(data.data(), size), c.text + '\0') << c.name;
  }
}

TEST_F(RegistryContract, ValueLargerThanTheBufferTellsTheSizeItNeeds) {
  RegistryKey key;
  ASSERT_EQ(RegistryKey::create(RegistryHive::CurrentUser, keyPath(), key), error::kSuccess);
  ASSERT_EQ(key.setStringValue("Long", "0123456789"), error::kSuccess);
  std::array<char, 4> small{};
  uint32_t type = 0, size = 0;
  EXPECT_EQ(key.queryValue("Long", type, small, size), error::kMoreData);
  EXPECT_EQ(size, 11u);
}

TEST_F(RegistryContract, MissingKeysAndValuesAreNotFound) {
  const std::string path = keyPath();
  RegistryKey key;
  EXPECT_EQ(RegistryKey::open(RegistryHive::CurrentUser, path, key), error::kFileNotFound);
  EXPECT_FALSE(key.isOpen());
  ASSERT_EQ(RegistryKey::create(RegistryHive::CurrentUser, path + "\\Child", key), error::kSuccess);
  RegistryKey parent;
  EXPECT_EQ(RegistryKey::open(RegistryHive::CurrentUser, path, parent), error::kSuccess)
      << "creating a key creates its parents";
  std::array<char, 16> data{};
  uint32_t type = 0, size = 0;
  EXPECT_EQ(key.queryValue("Nothing", type, data, size), error::kFileNotFound);
}

}  // namespace
}  // namespace platform_contract
