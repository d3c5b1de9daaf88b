#include "remembered_config.h"

#include <platform/registry.h>

#include <array>

namespace {

constexpr char kKeyPath[] = "Software\\Quornel Limited\\Squarix";
constexpr char kValueName[] = "Config";
constexpr size_t kBufferSize = 260;

}  // namespace

std::optional<std::string> readRememberedConfig() {
  platform::RegistryKey key;
  if (platform::RegistryKey::open(platform::RegistryHive::CurrentUser, kKeyPath, key) !=
      platform::registry_error::kSuccess)
    return std::nullopt;
  std::array<char, kBufferSize> buffer{};
  uint32_t type = 0;
  uint32_t size = 0;
  if (key.queryValue(kValueName, type, buffer, size) != platform::registry_error::kSuccess)
    return std::nullopt;
  if (type != platform::kRegSz && type != platform::kRegExpandSz) return std::nullopt;
  std::string name(buffer.data(), size < buffer.size() ? size : buffer.size());
  if (auto end = name.find('\0'); end != std::string::npos) name.resize(end);
  if (name.empty()) return std::nullopt;
  return name;
}

bool rememberConfig(const std::string& name) {
  platform::RegistryKey key;
  if (platform::RegistryKey::create(platform::RegistryHive::CurrentUser, kKeyPath, key) !=
      platform::registry_error::kSuccess)
    return false;
  return key.setStringValue(kValueName, name) == platform::registry_error::kSuccess;
}
