#include "registration/simulator_installation.h"

#include <vector>

#include "simulator_kind_description.h"

namespace registration {
namespace {

// The longest value a registry string can hold, as the Windows test reads it.
constexpr size_t kValueBufferSize = 32767;

bool stringValueExists(const InstallationTest& test) {
  platform::RegistryKey key;
  if (platform::RegistryKey::open(test.hive, test.key, key) != platform::registry_error::kSuccess)
    return false;
  std::vector<char> buffer(kValueBufferSize);
  return readRegistryString(key, test.value, buffer) == platform::registry_error::kSuccess;
}

}  // namespace

uint32_t readRegistryString(const platform::RegistryKey& key, const std::string& valueName,
                            std::span<char> buffer) {
  uint32_t type = platform::kRegNone;
  uint32_t size = 0;
  if (uint32_t status = key.queryValue(valueName, type, buffer, size);
      status != platform::registry_error::kSuccess)
    return status;
  if (type != platform::kRegSz && type != platform::kRegExpandSz)
    return platform::registry_error::kInvalidData;
  if (size == 0) {
    if (buffer.empty()) return platform::registry_error::kMoreData;
    buffer[0] = '\0';
    return platform::registry_error::kSuccess;
  }
  if (buffer[size - 1] != '\0') return platform::registry_error::kInvalidData;
  return platform::registry_error::kSuccess;
}

bool isSimulatorInstalled(SimulatorKind kind) {
  const SimulatorKindDescription& description = describe(kind);
  for (const InstallationTest& test : description.tests)
    if (stringValueExists(test)) return true;
  return description.earlierVersion && isSimulatorInstalled(*description.earlierVersion);
}

}  // namespace registration
