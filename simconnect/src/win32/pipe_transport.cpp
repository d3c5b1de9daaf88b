#include <windows.h>

#include <memory>
#include <string>

#include "win32/reader_transport.h"

namespace simconnect::win32 {
namespace {

std::wstring widePipePath(const std::string& pipeName) {
  std::string path = pipeName;
  // A name may come with its "\\.\pipe\" or without.
  if (path.rfind("\\\\", 0) != 0) path = "\\\\.\\pipe\\" + path;
  int length = MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), wide.data(), length);
  return wide;
}

HANDLE openPipe(const std::string& pipeName) {
  const std::wstring path = widePipePath(pipeName);
  for (int attempt = 0; attempt < 2; ++attempt) {
    HANDLE pipe = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) return pipe;
    // Every instance is taken: the simulator makes the next one soon.
    if (GetLastError() != ERROR_PIPE_BUSY || !WaitNamedPipeW(path.c_str(), 2000)) break;
  }
  return INVALID_HANDLE_VALUE;
}

// Overlapped I/O, so that the reader's wait never holds up a write on the
// same handle.
class PipeTransport final : public ReaderTransport {
 public:
  explicit PipeTransport(HANDLE pipe)
      : pipe_(pipe),
        readDone_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        writeDone_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    startReading();
  }
  ~PipeTransport() override {
    stopReading();
    CloseHandle(pipe_);
    CloseHandle(readDone_);
    CloseHandle(writeDone_);
  }

  bool sendAll(const uint8_t* data, size_t length, int timeoutMs) override {
    size_t written = 0;
    while (written < length) {
      OVERLAPPED request{};
      request.hEvent = writeDone_;
      DWORD wrote = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(length - written, 1 << 20));
      if (!WriteFile(pipe_, data + written, chunk, nullptr, &request) &&
          GetLastError() != ERROR_IO_PENDING)
        return false;
      if (WaitForSingleObject(writeDone_, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) {
        CancelIoEx(pipe_, &request);
        GetOverlappedResult(pipe_, &request, &wrote, TRUE);
        return false;
      }
      if (!GetOverlappedResult(pipe_, &request, &wrote, FALSE) || wrote == 0) return false;
      written += wrote;
    }
    return true;
  }

 protected:
  long readSome(uint8_t* buffer, size_t length) override {
    OVERLAPPED request{};
    request.hEvent = readDone_;
    DWORD got = 0;
    BOOL done = ReadFile(pipe_, buffer, static_cast<DWORD>(length), nullptr, &request);
    if (!done && GetLastError() != ERROR_IO_PENDING && GetLastError() != ERROR_MORE_DATA) return -1;
    // A message longer than the buffer comes in parts: ERROR_MORE_DATA.
    done = GetOverlappedResult(pipe_, &request, &got, TRUE);
    if (!done && GetLastError() != ERROR_MORE_DATA) return -1;
    return got > 0 ? static_cast<long>(got) : -1;
  }
  void stopBlockingRead() override { CancelIoEx(pipe_, nullptr); }

 private:
  HANDLE pipe_;
  HANDLE readDone_;
  HANDLE writeDone_;
};

}  // namespace

std::unique_ptr<Transport> connectPipe(const std::string& pipeName) {
  HANDLE pipe = openPipe(pipeName);
  if (pipe == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<PipeTransport>(pipe);
}

}  // namespace simconnect::win32
