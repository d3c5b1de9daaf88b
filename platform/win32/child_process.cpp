#include "platform/child_process.h"

#include <windows.h>

#include <condition_variable>
#include <cwctype>
#include <map>
#include <mutex>
#include <thread>

#include "win32/wide_text.h"

namespace platform {

struct ChildProcess::Impl {
  PROCESS_INFORMATION process{};
  HANDLE outputRead = nullptr;  // the read end of the pipe both streams write into
  std::thread reader;
  mutable std::mutex lock;
  mutable std::condition_variable grew;
  std::string output;  // guarded by lock

  ~Impl() {
    if (process.hProcess) {
      if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(process.hProcess, 137);
      WaitForSingleObject(process.hProcess, INFINITE);
    }
    // The pipe ends when the child and every process it started are gone;
    // closing our end ends the reader in any case.
    if (outputRead) CancelIoEx(outputRead, nullptr);
    if (reader.joinable()) reader.join();
    if (outputRead) CloseHandle(outputRead);
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
  }
};

namespace {

// One argument as the C runtime's command-line parser reads it back.
std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
    return argument;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

// This process's environment with the options' changes, as the sorted
// block CreateProcessW takes.
std::wstring environmentBlock(const ChildProcess::Options& options) {
  auto upper = [](std::wstring name) {
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
    return name;
  };
  std::map<std::wstring, std::pair<std::wstring, std::wstring>> variables;  // by upper-case name
  wchar_t* own = GetEnvironmentStringsW();
  for (const wchar_t* entry = own; *entry; entry += wcslen(entry) + 1) {
    std::wstring line = entry;
    size_t equals = line.find(L'=', 1);  // "=C:=C:\..." entries start with '='
    if (equals == std::wstring::npos) continue;
    variables[upper(line.substr(0, equals))] = {line.substr(0, equals), line.substr(equals + 1)};
  }
  FreeEnvironmentStringsW(own);
  for (const auto& name : options.unsetEnvironment) variables.erase(upper(win32::wide(name)));
  for (const auto& [name, value] : options.environment)
    variables[upper(win32::wide(name))] = {win32::wide(name), win32::wide(value)};
  std::wstring block;
  for (const auto& [key, variable] : variables) block += variable.first + L"=" + variable.second + L'\0';
  return block + L'\0';
}

void readOutput(ChildProcess::Impl* impl) {
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(impl->outputRead, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    std::lock_guard<std::mutex> lock(impl->lock);
    impl->output.append(buffer, got);
    impl->grew.notify_all();
  }
}

BOOL CALLBACK closeIfOwnedBy(HWND window, LPARAM processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == static_cast<DWORD>(processId)) PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}

// Asks the program to end as a person would: WM_CLOSE to its top-level
// windows (our programs keep a hidden one for this).
void closeWindowsOf(DWORD processId) { EnumWindows(closeIfOwnedBy, static_cast<LPARAM>(processId)); }

}  // namespace

ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

ChildProcess::~ChildProcess() = default;

std::unique_ptr<ChildProcess> ChildProcess::start(const Options& options) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0)) return nullptr;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                             OPEN_EXISTING, 0, nullptr);

  std::wstring commandLine = quoted(win32::wide(options.program));
  for (const auto& argument : options.arguments) commandLine += L" " + quoted(win32::wide(argument));
  std::wstring environment = environmentBlock(options);
  std::wstring folder = win32::wide(options.workingFolder);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  auto impl = std::make_unique<Impl>();
  const BOOL started =
      CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                     CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment.data(),
                     folder.empty() ? nullptr : folder.c_str(), &startup, &impl->process);
  CloseHandle(writeEnd);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  if (!started) {
    CloseHandle(readEnd);
    impl->process = {};
    return nullptr;
  }
  impl->outputRead = readEnd;
  impl->reader = std::thread(readOutput, impl.get());
  return std::make_unique<ChildProcess>(std::move(impl));
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
  const DWORD wait = timeout.count() < 0 ? INFINITE : static_cast<DWORD>(timeout.count());
  if (WaitForSingleObject(impl_->process.hProcess, wait) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(impl_->process.hProcess, &code);
  return static_cast<int>(code);
}

bool ChildProcess::running() {
  return WaitForSingleObject(impl_->process.hProcess, 0) == WAIT_TIMEOUT;
}

void ChildProcess::requestStop() { closeWindowsOf(impl_->process.dwProcessId); }

void ChildProcess::interrupt() { closeWindowsOf(impl_->process.dwProcessId); }

// 128 + 9, the code a Linux parent sees for a killed child.
void ChildProcess::kill() { TerminateProcess(impl_->process.hProcess, 137); }

int ChildProcess::pid() const { return static_cast<int>(impl_->process.dwProcessId); }

std::string ChildProcess::output() const {
  std::lock_guard<std::mutex> lock(impl_->lock);
  return impl_->output;
}

bool ChildProcess::waitForOutput(const std::string& needle,
                                 std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(impl_->lock);
  return impl_->grew.wait_for(lock, timeout,
                              [&] { return impl_->output.find(needle) != std::string::npos; });
}

}  // namespace platform
