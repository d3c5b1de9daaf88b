#include "platform/registry.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "win32/wide_text.h"

namespace platform {
namespace {

HKEY rootOf(RegistryHive hive) {
  return hive == RegistryHive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

std::wstring keyPath(const std::string& path) {
  std::string trimmed = path;
  while (!trimmed.empty() && trimmed.front() == '\\') trimmed.erase(trimmed.begin());
  while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
  return win32::wide(trimmed);
}

bool isText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

}  // namespace

std::string registryHiveName(RegistryHive hive) {
  return hive == RegistryHive::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

// The hives are the system's own; there is no file of ours to name.
std::string registryHivePath(RegistryHive hive) { return registryHiveName(hive); }

uint32_t RegistryKey::open(RegistryHive hive, const std::string& path, RegistryKey& key) {
  key = RegistryKey();
  HKEY opened = nullptr;
  LSTATUS status = RegOpenKeyExW(rootOf(hive), keyPath(path).c_str(), 0, KEY_READ, &opened);
  if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
  RegCloseKey(opened);
  key.hive_ = hive;
  key.path_ = path;
  key.open_ = true;
  return registry_error::kSuccess;
}

uint32_t RegistryKey::create(RegistryHive hive, const std::string& path, RegistryKey& key) {
  key = RegistryKey();
  if (keyPath(path).empty()) return registry_error::kBadPathname;
  HKEY created = nullptr;
  LSTATUS status = RegCreateKeyExW(rootOf(hive), keyPath(path).c_str(), 0, nullptr, 0,
                                   KEY_READ | KEY_WRITE, nullptr, &created, nullptr);
  if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
  RegCloseKey(created);
  key.hive_ = hive;
  key.path_ = path;
  key.open_ = true;
  return registry_error::kSuccess;
}

// Text values are stored as UTF-16 and handed out as UTF-8, their
// terminator with them as the system stores it; other types byte for byte.
uint32_t RegistryKey::queryValue(const std::string& name, uint32_t& type, std::span<char> data,
                                 uint32_t& size) const {
  if (!open_) return registry_error::kFileNotFound;
  HKEY opened = nullptr;
  LSTATUS status = RegOpenKeyExW(rootOf(hive_), keyPath(path_).c_str(), 0, KEY_READ, &opened);
  if (status == ERROR_FILE_NOT_FOUND) return registry_error::kKeyDeleted;
  if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
  const std::wstring valueName = win32::wide(name);
  DWORD valueType = 0, bytes = 0;
  status = RegQueryValueExW(opened, valueName.c_str(), nullptr, &valueType, nullptr, &bytes);
  std::vector<BYTE> raw(bytes);
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    raw.resize(bytes);
    status = RegQueryValueExW(opened, valueName.c_str(), nullptr, &valueType, raw.data(), &bytes);
    if (status == ERROR_SUCCESS) break;
  }
  RegCloseKey(opened);
  if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
  raw.resize(bytes);
  std::string value;
  if (isText(valueType)) {
    std::wstring text(raw.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), raw.data(), text.size() * sizeof(wchar_t));
    value = win32::narrow(text);
  } else {
    value.assign(raw.begin(), raw.end());
  }
  type = valueType;
  size = static_cast<uint32_t>(value.size());
  if (value.size() > data.size()) return registry_error::kMoreData;
  std::copy(value.begin(), value.end(), data.begin());
  return registry_error::kSuccess;
}

uint32_t RegistryKey::setStringValue(const std::string& name, const std::string& text) const {
  if (!open_) return registry_error::kFileNotFound;
  HKEY opened = nullptr;
  LSTATUS status = RegOpenKeyExW(rootOf(hive_), keyPath(path_).c_str(), 0, KEY_SET_VALUE, &opened);
  if (status == ERROR_FILE_NOT_FOUND) return registry_error::kKeyDeleted;
  if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
  const std::wstring value = win32::wide(text);
  status = RegSetValueExW(opened, win32::wide(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(opened);
  return static_cast<uint32_t>(status);
}

}  // namespace platform
