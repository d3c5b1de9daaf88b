#pragma once
#include <cstdint>
#include <span>
#include <string>

namespace platform {

// The Windows registry, for the keys and values our programs read and
// write: open or create a key of HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE,
// read a value with its type, write a REG_SZ value. Results are the Windows
// system error codes below.
//
// On Windows this is the system's registry. On Linux each hive is a
// REGEDIT4 text file, HKEY_CURRENT_USER.reg
// and HKEY_LOCAL_MACHINE.reg, in the folder $KESTRIX_REGISTRY (default
// <config home>/kestrix/registry). Values are written there as "text",
// dword:xxxxxxxx or hex(N):bytes, so any type and any content can be set up
// by hand. Nothing is cached: every call reads the file afresh, and every
// write replaces it atomically. Key and value names ignore letter case; a
// key exists when it or any key below it has a section of its own.

enum class RegistryHive { CurrentUser, LocalMachine };

// Value types, numbered as on Windows.
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;

// Windows system error codes the registry calls return.
namespace registry_error {
constexpr uint32_t kSuccess = 0;         // ERROR_SUCCESS
constexpr uint32_t kFileNotFound = 2;    // ERROR_FILE_NOT_FOUND: no such key or value
constexpr uint32_t kAccessDenied = 5;    // ERROR_ACCESS_DENIED: the hive cannot be read or written
constexpr uint32_t kInvalidData = 13;    // ERROR_INVALID_DATA
constexpr uint32_t kMoreData = 234;      // ERROR_MORE_DATA: the buffer is too small
constexpr uint32_t kKeyDeleted = 1018;   // ERROR_KEY_DELETED: the key went away after opening
constexpr uint32_t kBadPathname = 161;   // ERROR_BAD_PATHNAME: an empty key name where one is needed
}  // namespace registry_error

// The file that holds a hive ("HKEY_CURRENT_USER" -> <folder>/HKEY_CURRENT_USER.reg).
std::string registryHiveName(RegistryHive hive);
std::string registryHivePath(RegistryHive hive);

// An open key: its hive and path ("SOFTWARE\\Vendor\\Product", backslashes).
class RegistryKey {
 public:
  RegistryKey() = default;

  // Opens an existing key for reading; kFileNotFound when there is none.
  static uint32_t open(RegistryHive hive, const std::string& path, RegistryKey& key);
  // Opens the key, creating it (and so its parents) when it is missing.
  static uint32_t create(RegistryHive hive, const std::string& path, RegistryKey& key);

  bool isOpen() const { return open_; }
  RegistryHive hive() const { return hive_; }
  const std::string& path() const { return path_; }

  // Reads a value as RegQueryValueEx does: its type, and its bytes into
  // data; size becomes the value's length. An empty name is the key's
  // default value. kMoreData (with size set to the length needed) when the
  // value does not fit, kFileNotFound when there is no such value.
  uint32_t queryValue(const std::string& name, uint32_t& type, std::span<char> data,
                      uint32_t& size) const;

  // Writes a REG_SZ value, its terminating NUL stored with it.
  uint32_t setStringValue(const std::string& name, const std::string& text) const;

 private:
  RegistryHive hive_ = RegistryHive::CurrentUser;
  std::string path_;
  bool open_ = false;
};

}  // namespace platform
