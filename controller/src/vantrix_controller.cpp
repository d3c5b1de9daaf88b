// The controller object: construction and teardown, the report transfers
// every operation uses, and the ownership lock.
#include "controller/vantrix_controller.h"

#include <platform/last_error.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "controller/controller_log.h"
#include "controller/named_objects.h"
#include "controller/transport.h"
#include "transport_internal.h"

namespace {

constexpr int kKeyReports = 4;
constexpr int kReportBytes = 8;
constexpr int kSpecialInterface = 1;

int millisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<int64_t>(left.count(), 0));
}

}  // namespace

CVantrixController::CVantrixController() {
  for (auto& entry : modelCache_) entry = {-1, -1};
}

CVantrixController::~CVantrixController() {
  Close();
  Unlock();
}

int CVantrixController::reportTypeOf(uint8_t reportId) {
  if (reportId >= 0x01 && reportId <= 0x03) return 1;  // IIC
  if (reportId >= 0x04 && reportId <= 0x06) return 2;
  if (reportId == 0x08 || reportId == 0x09) return 3;
  if (reportId >= 0x18 && reportId <= 0x1C) return 4;  // key matrix
  if (reportId == 0xFF) return 5;                      // pin status
  if (reportId == 0x0C) return 6;
  if (reportId == 0x14 || reportId == 0x15) return 7;
  if (reportId == 0x00) return 8;
  return 0;
}

uint32_t CVantrixController::failedWriteError() {
  uint32_t error = platform::lastError();
  if (error == platform::kErrorInvalidParameter) error = platform::kErrorDevNotExist;
  platform::setLastError(error);
  return error;
}

uint32_t CVantrixController::failedReadError() {
  uint32_t error = platform::lastError();
  if (error == platform::kErrorInvalidParameter && !iowIsValid(GetDeviceHandle()))
    error = platform::kErrorDevNotExist;
  platform::setLastError(error);
  return error;
}

int CVantrixController::Write(int interfaceNumber, const uint8_t* data, int length) {
  // Where the compiler has structured fault guards, this call runs inside
  // one that reports to the controller log (reportFault) and returns -1.
  const auto deadline = writesStalled_ ? kStalledWriteDeadline : kTransferDeadline;
  const int written = writeReportsWithin(GetDeviceHandle(), static_cast<uint32_t>(interfaceNumber),
                                         data, static_cast<uint32_t>(std::max(length, 0)),
                                         static_cast<int>(deadline.count()));
  const uint32_t error = platform::lastError();
  if (error == platform::kErrorTimeout)
    writesStalled_ = true;
  else if (written > 0 && error == platform::kErrorSuccess)
    writesStalled_ = false;
  platform::setLastError(error);
  return written;
}

int CVantrixController::writeReport(int interfaceNumber, std::initializer_list<uint8_t> bytes) {
  uint8_t report[kReportBytes] = {};
  std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), kReportBytes), report);
  const int length = interfaceNumber == 0 ? 5 : kReportBytes;
  return Write(interfaceNumber, report, length);
}

void CVantrixController::clearQueue(int reportType) {
  std::lock_guard<std::mutex> guard(queueLock_);
  queues_[static_cast<size_t>(reportType - 1)].clear();
}

int CVantrixController::ReadWithQueue(int reportType, int interfaceNumber, uint8_t* buffer,
                                      int length) {
  const Clock::time_point deadline = reportType == kKeyReports ? kBoardReadTimeout
                                                               : Clock::now() + kTransferDeadline;
  return readQueued(reportType, interfaceNumber, buffer, length, deadline);
}

int CVantrixController::readQueued(int reportType, int interfaceNumber, uint8_t* buffer,
                                   int length, Clock::time_point deadline) {
  if (reportType < 1 || reportType > 8) return -1;
  const size_t copied = static_cast<size_t>(std::clamp(length, 0, kReportBytes));
  if (buffer) {
    std::lock_guard<std::mutex> guard(queueLock_);
    Report queued;
    if (queues_[static_cast<size_t>(reportType - 1)].pop(queued)) {
      std::memcpy(buffer, queued.data(), copied);
      return kReportBytes;
    }
  }

  readLoopActive_ = true;
  int count = 0;
  while (readLoopActive_) {
    const int longestWaitMs = deadline == kBoardReadTimeout ? -1 : millisecondsUntil(deadline);
    Report report{};
    count = readReportsWithin(GetDeviceHandle(), static_cast<uint32_t>(interfaceNumber),
                              report.data(), kReportBytes, longestWaitMs);
    const uint32_t error = failedReadError();
    if (count == kReportBytes) {
      const int type = reportTypeOf(report[0]);
      if (type == reportType) {
        if (buffer) std::memcpy(buffer, report.data(), copied);
        readLoopActive_ = false;
        return kReportBytes;
      }
      if (type != 0) {
        std::lock_guard<std::mutex> guard(queueLock_);
        queues_[static_cast<size_t>(type - 1)].push(report);
      }
      // The key thread sleeps until something is there for it.
      if (type == kKeyReports) wakeInputWait(GetDeviceHandle(), kSpecialInterface);
      continue;
    }
    if (count != 0 || reportType == kKeyReports) return count;
    // Only a quiet board is worth asking again: one that is gone, or a torn
    // down device list, will never answer.
    if (error != platform::kErrorTimeout || Clock::now() >= deadline) return 0;
  }
  return count;
}

void CVantrixController::drainLeftovers(int reportType) {
  clearQueue(reportType);
  // What waits on the interface now came before the request: reports of
  // the kind asked for are left-overs (a reply that came too late, or one
  // the board sent unasked), the others are kept for their readers.
  Report report{};
  while (readReportsWithin(GetDeviceHandle(), kSpecialInterface, report.data(), kReportBytes, 0) ==
         kReportBytes) {
    const int type = reportTypeOf(report[0]);
    if (type == reportType || type == 0) continue;
    std::lock_guard<std::mutex> guard(queueLock_);
    queues_[static_cast<size_t>(type - 1)].push(report);
  }
}

bool CVantrixController::specialReportsFit(const char* operationName) {
  const ReportLengths lengths = reportLengthsOf(GetDeviceHandle(), kSpecialInterface);
  // A handle that is no open board fails in the transfer itself.
  if (lengths.input == 0) return true;
  if (lengths.input == kReportBytes && lengths.output == kReportBytes) return true;
  if (!reportLengthsLogged_.exchange(true)) {
    ControllerLog log;
    log.write(3, operationName,
              "Board %s has %zu-byte input and %zu-byte output reports on its special-mode "
              "interface instead of 8: it gives no keys and no board memory.",
              GetSerialNumber().c_str(), lengths.input, lengths.output);
  }
  platform::setLastError(platform::kErrorBadLength);
  return false;
}

uint32_t CVantrixController::Lock() {
  if (ownership_) return platform::kErrorLocked;
  const std::string name = ownershipMutexName(GetProductId(), GetSerialNumber());
  if (platform::NamedMutex::openExisting(name)) return platform::kErrorAlreadyExists;
  bool existed = false;
  auto mutex = platform::NamedMutex::create(name, true, &existed);
  // Another process may have created it since we looked.
  if (mutex && existed) return platform::kErrorAlreadyExists;
  ownership_ = std::move(mutex);
  return platform::kErrorSuccess;
}

void CVantrixController::Unlock() { ownership_.reset(); }

void CVantrixController::Close() {
  readLoopActive_ = false;
  if (iowIsValid(GetDeviceHandle())) EnableLedMatrix(false);
  stopKeyThread();
  keyInputEnabled_ = false;
  iicMarker_.reset();  // the board is not told: another process may still read it
  infoMapping_.reset();
}
