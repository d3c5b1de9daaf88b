#include "win32/overlapped_reports.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace platform::win32 {
namespace {

using Status = HidDevice::Status;
using Result = HidDevice::Result;

// What ended the wait for a transfer.
enum class Ending { Completed, TimedOut, Cancelled, WaitFailed };

class Deadline {
 public:
  explicit Deadline(int timeoutMs) : unlimited_(timeoutMs < 0) {
    if (!unlimited_) at_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  }
  // For WaitForMultipleObjects: INFINITE without limit, 0 once passed.
  DWORD remainingMs() const {
    if (unlimited_) return INFINITE;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        at_ - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
  }

 private:
  bool unlimited_;
  std::chrono::steady_clock::time_point at_;
};

}  // namespace

Status statusOfIoError(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS: return Status::Ok;
    // An unplugged HID device answers with one of these, depending on how
    // far its removal got; a pipe whose server closed with the others.
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_GEN_FAILURE:
    case ERROR_BAD_COMMAND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_HANDLE:
    case kErrorNoSuchDevice:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_REMOVED:
    case ERROR_NOT_READY:
    case ERROR_BROKEN_PIPE:
    case ERROR_PIPE_NOT_CONNECTED:
    case ERROR_NO_DATA:  // a write to a pipe whose other end has closed
      return Status::Gone;
    default:
      return Status::Failed;
  }
}

OverlappedReports::Lane::Lane() {
  done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  cancel_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

OverlappedReports::Lane::~Lane() {
  if (done_) CloseHandle(done_);
  if (cancel_) CloseHandle(cancel_);
}

void OverlappedReports::Lane::cancel() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (waiting_) SetEvent(cancel_);
}

Result OverlappedReports::Lane::transfer(HANDLE handle, bool reading, void* buffer, DWORD length,
                                         int timeoutMs) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    ResetEvent(cancel_);
    waiting_ = true;
  }
  OVERLAPPED overlapped{};
  overlapped.hEvent = done_;
  ResetEvent(done_);
  const BOOL started = reading ? ReadFile(handle, buffer, length, nullptr, &overlapped)
                               : WriteFile(handle, buffer, length, nullptr, &overlapped);
  const DWORD startError = started ? ERROR_SUCCESS : GetLastError();
  Ending ending = Ending::Completed;
  if (!started && startError != ERROR_IO_PENDING) {
    std::lock_guard<std::mutex> guard(mutex_);
    waiting_ = false;
    return {statusOfIoError(startError), 0};
  }
  if (!started) {
    HANDLE events[2] = {done_, cancel_};
    const DWORD waited =
        WaitForMultipleObjects(2, events, FALSE, timeoutMs < 0 ? INFINITE : DWORD(timeoutMs));
    ending = waited == WAIT_OBJECT_0       ? Ending::Completed
             : waited == WAIT_OBJECT_0 + 1 ? Ending::Cancelled
             : waited == WAIT_TIMEOUT      ? Ending::TimedOut
                                           : Ending::WaitFailed;
    if (ending != Ending::Completed) CancelIoEx(handle, &overlapped);
  }
  // Waits until the transfer has ended one way or the other: the system
  // writes into the buffer and the OVERLAPPED until then.
  DWORD bytes = 0;
  const BOOL finished = GetOverlappedResult(handle, &overlapped, &bytes, TRUE);
  const DWORD error = finished ? ERROR_SUCCESS : GetLastError();
  {
    std::lock_guard<std::mutex> guard(mutex_);
    waiting_ = false;
  }
  // A transfer that completed before the cancel reached it counts.
  if (finished) return {Status::Ok, bytes};
  if (error == ERROR_OPERATION_ABORTED && ending == Ending::Cancelled) return {Status::Cancelled, 0};
  if (error == ERROR_OPERATION_ABORTED && ending == Ending::TimedOut) return {Status::Timeout, 0};
  return {statusOfIoError(error), 0};
}

OverlappedReports::OverlappedReports(HANDLE handle, size_t readCapacity)
    : handle_(handle), readCapacity_(readCapacity), readBuffer_(readCapacity) {}

OverlappedReports::~OverlappedReports() = default;

bool OverlappedReports::valid() const {
  return handle_ && handle_ != INVALID_HANDLE_VALUE && reading_.valid() && writing_.valid();
}

Result OverlappedReports::remember(Result result) {
  if (result.status == Status::Gone) gone_ = true;
  return result;
}

Result OverlappedReports::read(uint8_t* buffer, size_t length, int timeoutMs) {
  if (!valid() || length == 0) return {Status::Failed, 0};
  if (gone_) return {Status::Gone, 0};
  // The driver hands over whole reports only, into a buffer that holds the
  // longest; one longer than the caller's buffer is dropped.
  if (readBuffer_.size() < std::max(readCapacity_, length))
    readBuffer_.resize(std::max(readCapacity_, length));
  const DWORD asked = static_cast<DWORD>(readCapacity_ ? readCapacity_ : length);
  Deadline deadline(timeoutMs);
  for (;;) {
    const DWORD left = deadline.remainingMs();
    const int waitMs = left == INFINITE ? -1 : static_cast<int>(left);
    Result result = reading_.transfer(handle_, true, readBuffer_.data(), asked, waitMs);
    if (result.status != Status::Ok) return remember(result);
    if (result.bytes > length) continue;
    std::memcpy(buffer, readBuffer_.data(), result.bytes);
    return result;
  }
}

Result OverlappedReports::write(const uint8_t* data, size_t length, int timeoutMs) {
  if (!valid() || length == 0) return {Status::Failed, 0};
  if (gone_) return {Status::Gone, 0};
  // WriteFile does not change the data; its parameter is only not const.
  return remember(writing_.transfer(handle_, false, const_cast<uint8_t*>(data),
                                    static_cast<DWORD>(length), timeoutMs));
}

}  // namespace platform::win32
