#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <mutex>

#include "file_content.h"
#include "platform/system_facts.h"
#include "registry_text.h"

namespace platform {
namespace {

using regedit::KeyRecord;
using regedit::sameName;

std::string registryFolder() {
  if (auto folder = environmentValue("KESTRIX_REGISTRY"); folder && !folder->empty()) return *folder;
  return roamingAppDataFolder() + "/kestrix/registry";
}

std::string normalisedPath(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return std::string(path);
}

struct Hive {
  uint32_t status = registry_error::kSuccess;
  std::vector<KeyRecord> keys;
};

Hive readHive(RegistryHive hive) {
  Hive read;
  FileContent content = readFileContent(registryHivePath(hive));
  if (content.outcome == FileReadOutcome::Failed)
    read.status = registry_error::kAccessDenied;
  else if (content.outcome == FileReadOutcome::Read)
    read.keys = regedit::parseHive(content.bytes, registryHiveName(hive));
  return read;
}

uint32_t writeHive(RegistryHive hive, const std::vector<KeyRecord>& keys) {
  return replaceFileContent(registryHivePath(hive), regedit::formatHive(keys, registryHiveName(hive)))
             ? registry_error::kSuccess
             : registry_error::kAccessDenied;
}

// A key exists when it has a section, or a key below it does (regedit
// makes the parents of every key it imports); the hive's root always does.
bool keyExists(const std::vector<KeyRecord>& keys, const std::string& path) {
  if (path.empty()) return true;
  for (const auto& key : keys) {
    if (sameName(key.path, path)) return true;
    if (key.path.size() > path.size() && key.path[path.size()] == '\\' &&
        sameName(std::string_view(key.path).substr(0, path.size()), path))
      return true;
  }
  return false;
}

KeyRecord* findKey(std::vector<KeyRecord>& keys, const std::string& path) {
  for (auto& key : keys)
    if (sameName(key.path, path)) return &key;
  return nullptr;
}

// Writers take turns on the registry folder, across threads and processes,
// so that no read-change-write loses another one's change.
class WriteTurn {
 public:
  WriteTurn() : local_(localTurn()) {
    std::string folder = registryFolder();
    createFolderChain(folder);
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  ~WriteTurn() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
  }
  WriteTurn(const WriteTurn&) = delete;
  WriteTurn& operator=(const WriteTurn&) = delete;

 private:
  static std::mutex& localTurn() {
    static std::mutex turn;
    return turn;
  }
  std::lock_guard<std::mutex> local_;
  int fd_ = -1;
};

}  // namespace

std::string registryHiveName(RegistryHive hive) {
  return hive == RegistryHive::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string registryHivePath(RegistryHive hive) {
  return registryFolder() + "/" + registryHiveName(hive) + ".reg";
}

uint32_t RegistryKey::open(RegistryHive hive, const std::string& path, RegistryKey& key) {
  key = RegistryKey();
  Hive read = readHive(hive);
  if (read.status != registry_error::kSuccess) return read.status;
  std::string wanted = normalisedPath(path);
  if (!keyExists(read.keys, wanted)) return registry_error::kFileNotFound;
  key.hive_ = hive;
  key.path_ = std::move(wanted);
  key.open_ = true;
  return registry_error::kSuccess;
}

uint32_t RegistryKey::create(RegistryHive hive, const std::string& path, RegistryKey& key) {
  key = RegistryKey();
  std::string wanted = normalisedPath(path);
  if (wanted.empty()) return registry_error::kBadPathname;
  WriteTurn turn;
  Hive read = readHive(hive);
  if (read.status != registry_error::kSuccess) return read.status;
  if (!keyExists(read.keys, wanted)) {
    read.keys.push_back(KeyRecord{wanted, {}});
    if (uint32_t status = writeHive(hive, read.keys); status != registry_error::kSuccess) return status;
  }
  key.hive_ = hive;
  key.path_ = std::move(wanted);
  key.open_ = true;
  return registry_error::kSuccess;
}

uint32_t RegistryKey::queryValue(const std::string& name, uint32_t& type, std::span<char> data,
                                 uint32_t& size) const {
  if (!open_) return registry_error::kFileNotFound;
  Hive read = readHive(hive_);
  if (read.status != registry_error::kSuccess) return read.status;
  if (!keyExists(read.keys, path_)) return registry_error::kKeyDeleted;
  const KeyRecord* key = findKey(read.keys, path_);
  if (key) {
    for (const auto& value : key->values) {
      if (!sameName(value.name, name)) continue;
      type = value.type;
      size = static_cast<uint32_t>(value.data.size());
      if (value.data.size() > data.size()) return registry_error::kMoreData;
      value.data.copy(data.data(), value.data.size());
      return registry_error::kSuccess;
    }
  }
  return registry_error::kFileNotFound;
}

uint32_t RegistryKey::setStringValue(const std::string& name, const std::string& text) const {
  if (!open_) return registry_error::kFileNotFound;
  WriteTurn turn;
  Hive read = readHive(hive_);
  if (read.status != registry_error::kSuccess) return read.status;
  if (!keyExists(read.keys, path_)) return registry_error::kKeyDeleted;
  KeyRecord* key = findKey(read.keys, path_);
  if (!key) key = &read.keys.emplace_back(KeyRecord{path_, {}});
  regedit::ValueRecord value{name, kRegSz, text + '\0'};
  bool replaced = false;
  for (auto& old : key->values) {
    if (sameName(old.name, name)) {
      old.type = value.type;
      old.data = value.data;
      replaced = true;
      break;
    }
  }
  if (!replaced) key->values.push_back(std::move(value));
  return writeHive(hive_, read.keys);
}

}  // namespace platform
