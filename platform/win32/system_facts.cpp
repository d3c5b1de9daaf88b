#include "platform/system_facts.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>

#include "win32/wide_text.h"

namespace platform {

// %APPDATA%, which the system sets to this folder for every program (and a
// test world to a folder of its own), else the folder the shell knows.
std::string roamingAppDataFolder() {
  if (auto variable = environmentValue("APPDATA"); variable && !variable->empty()) return *variable;
  wchar_t folder[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
    return {};
  return win32::narrow(folder);
}

bool createFolderChain(const std::string& path) {
  std::wstring folder = win32::wide(path);
  for (wchar_t& c : folder)
    if (c == L'/') c = L'\\';
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  size_t slash = folder.find_last_of(L'\\');
  if (slash != std::wstring::npos && slash > 0 && folder[slash - 1] != L':' &&
      !createFolderChain(win32::narrow(folder.substr(0, slash))))
    return false;
  return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string ownProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return win32::narrow(path);
    }
    path.resize(path.size() * 2);  // cut: try with more room
  }
}

std::optional<std::string> environmentValue(const std::string& name) {
  const std::wstring wideName = win32::wide(name);
  DWORD length = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (length == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::wstring value(length, L'\0');
  length = GetEnvironmentVariableW(wideName.c_str(), value.data(), length);
  value.resize(length);
  return win32::narrow(value);
}

// Through the C runtime, which passes the change on to the system, so that
// getenv and GetEnvironmentVariable agree; an empty value removes it.
void setEnvironmentValue(const std::string& name, const std::optional<std::string>& value) {
  _wputenv_s(win32::wide(name).c_str(), value ? win32::wide(*value).c_str() : L"");
}

std::string computerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &length)) return {};
  return win32::narrow(std::wstring_view(name, length));
}

uint32_t processId() { return GetCurrentProcessId(); }

uint32_t threadId() { return GetCurrentThreadId(); }

LocalTime localTimeNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

void sleepMs(int ms) {
  if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

void nameThisThread(const std::string& name) {
  // SetThreadDescription exists from Windows 10 on: looked up, not linked.
  using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
  static const auto setDescription = reinterpret_cast<SetDescription>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
  if (setDescription) setDescription(GetCurrentThread(), win32::wide(name).c_str());
}

// Windows reserves a thread's stack without committing it, and ended
// threads cost no unmapping worth saving: nothing to change.
void useCompactThreadStacks() {}

}  // namespace platform
