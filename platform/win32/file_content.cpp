#include "file_content.h"

#include <windows.h>

#include <atomic>
#include <optional>

#include "win32/wide_text.h"

namespace platform {
namespace {

std::string folderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// "<file>.tmp<pid>-<n>": the temporary file a save of <file> writes first.
std::string temporaryPrefix(const std::string& target) {
  size_t slash = target.find_last_of("\\/");
  return (slash == std::string::npos ? target : target.substr(slash + 1)) + ".tmp";
}

std::optional<DWORD> writerOf(std::string_view rest) {
  size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size() || dash > 9)
    return std::nullopt;
  auto allDigits = [](std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (!allDigits(rest.substr(0, dash)) || !allDigits(rest.substr(dash + 1))) return std::nullopt;
  return static_cast<DWORD>(std::stoul(std::string(rest.substr(0, dash))));
}

bool processRuns(DWORD pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // another user's: leave it
  const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return runs;
}

// Temporary files of saves whose writer ended without finishing (a program
// killed mid-save) are removed by the next save of the same file.
void removeAbandonedTemporaries(const std::string& target) {
  const std::string folder = folderOf(target);
  const std::string prefix = temporaryPrefix(target);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(win32::wide(folder + "\\" + prefix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = win32::narrow(found.cFileName);
    auto writer = writerOf(std::string_view(name).substr(prefix.size()));
    if (!writer || *writer == GetCurrentProcessId() || processRuns(*writer)) continue;
    DeleteFileW(win32::wide(folder + "\\" + name).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

bool failWith(std::string* reason, const std::string& why) {
  if (reason) *reason = why;
  return false;
}

bool failWithError(std::string* reason, DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string why = text ? win32::narrow(text) : "Windows error " + std::to_string(error);
  if (text) LocalFree(text);
  while (!why.empty() && (why.back() == '\n' || why.back() == '\r')) why.pop_back();
  return failWith(reason, why);
}

}  // namespace

FileContent readFileContent(const std::string& path) {
  FileContent content;
  HANDLE file = CreateFileW(win32::wide(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
      content.outcome = FileReadOutcome::Missing;
    return content;
  }
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return content;
  }
  char buffer[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
      CloseHandle(file);
      content.bytes.clear();
      return content;
    }
    if (got == 0) break;
    content.bytes.append(buffer, got);
  }
  CloseHandle(file);
  content.outcome = FileReadOutcome::Read;
  return content;
}

bool replaceFileContent(const std::string& path, std::string_view bytes, std::string* reason) {
  const std::wstring target = win32::wide(path);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return failWith(reason, "It is not a regular file.");
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) return failWithError(reason, ERROR_ACCESS_DENIED);
  removeAbandonedTemporaries(path);

  static std::atomic<unsigned> counter{0};
  const std::wstring temporary = win32::wide(path + ".tmp" + std::to_string(GetCurrentProcessId()) +
                                             "-" + std::to_string(counter++));
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return failWithError(reason, GetLastError());
  bool written = true;
  size_t done = 0;
  while (written && done < bytes.size()) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    written = WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) && wrote > 0;
    done += wrote;
  }
  written = written && FlushFileBuffers(file);
  DWORD error = written ? 0 : GetLastError();
  CloseHandle(file);
  if (written &&
      !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    written = false;
    error = GetLastError();
  }
  if (!written) {
    DeleteFileW(temporary.c_str());
    return error ? failWithError(reason, error) : failWith(reason, "The file could not be written.");
  }
  return true;
}

}  // namespace platform
