#include "platform/profile_file.h"

#include <windows.h>

#include <atomic>
#include <optional>

#include "file_content.h"
#include "platform/file_edit_turn.h"
#include "profile_text.h"
#include "win32/wide_text.h"

namespace platform {
namespace {

// The profile functions look for a file named without a folder in the
// Windows folder; ours are always meant relative to the current one.
std::wstring fullPath(const std::string& path) {
  std::wstring given = win32::wide(path);
  DWORD length = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
  if (length == 0) return given;
  std::wstring full(length, L'\0');
  length = GetFullPathNameW(given.c_str(), length, full.data(), nullptr);
  full.resize(length);
  return full;
}

std::optional<std::wstring> readValue(const std::string& section, const std::string& key,
                                      const std::string& path) {
  const std::wstring file = fullPath(path);
  const std::wstring sectionName = win32::wide(section), keyName = win32::wide(key);
  // Two different defaults tell a missing key from one whose value matches.
  std::wstring value(256, L'\0');
  for (;;) {
    DWORD got = GetPrivateProfileStringW(sectionName.c_str(), keyName.c_str(), L"\x01", value.data(),
                                         static_cast<DWORD>(value.size()), file.c_str());
    if (got + 1 < value.size()) {
      value.resize(got);
      break;
    }
    value.resize(value.size() * 4);  // may have been cut: read again with more room
  }
  if (value != L"\x01") return value;
  wchar_t probe[4];
  GetPrivateProfileStringW(sectionName.c_str(), keyName.c_str(), L"\x02", probe, 4, file.c_str());
  if (std::wstring(probe) == L"\x02") return std::nullopt;
  return value;
}

}  // namespace

int getProfileInt(const std::string& section, const std::string& key, int defaultValue,
                  const std::string& path) {
  // Read as text and parsed by our own rules, so that "0x" values and a
  // sign read the same on every system.
  auto value = readValue(section, key, path);
  return value ? profile::parseInteger(win32::narrow(*value), defaultValue) : defaultValue;
}

std::string getProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& path) {
  auto value = readValue(section, key, path);
  return value ? win32::narrow(*value) : defaultValue;
}

bool writeProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path) {
  if (section.find_first_not_of(" \t") == std::string::npos ||
      key.find_first_not_of(" \t") == std::string::npos)
    return false;
  // Writers take turns, across threads and programs, so that no
  // read-change-write loses another one's change.
  FileEditTurn turn(path);
  FileContent old = readFileContent(path);
  if (old.outcome == FileReadOutcome::Failed) return false;  // never clobber what we cannot read
  if (old.outcome == FileReadOutcome::Read) {
    auto stored = readValue(section, key, path);
    if (stored && win32::narrow(*stored) == value) return true;  // nothing to change
  }
  // The system's writer changes a file in place; it changes a copy here,
  // and the copy replaces the file in one step, so a crash mid-write leaves
  // the old content.
  static std::atomic<unsigned> counter{0};
  const std::string copy =
      path + ".edit" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
  bool done = old.outcome == FileReadOutcome::Missing || replaceFileContent(copy, old.bytes);
  done = done && WritePrivateProfileStringW(win32::wide(section).c_str(), win32::wide(key).c_str(),
                                            win32::wide(value).c_str(), fullPath(copy).c_str());
  // Nothing cached: the next read of any program sees the file itself.
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, fullPath(copy).c_str());
  FileContent changed = readFileContent(copy);
  DeleteFileW(fullPath(copy).c_str());
  return done && changed.outcome == FileReadOutcome::Read && replaceFileContent(path, changed.bytes);
}

}  // namespace platform
