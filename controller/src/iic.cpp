// The IIC bus of the board, through which its configuration memory is read.
// Whether IIC mode is on at a board is known across processes by the
// existence of its marker mutex.
#include <platform/last_error.h>

#include "controller/named_objects.h"
#include "controller/vantrix_controller.h"

namespace {

constexpr uint8_t kIicModeReport = 0x01;
constexpr uint8_t kIicWriteReport = 0x02;
constexpr uint8_t kIicReadReport = 0x03;
constexpr uint8_t kStartAndTwoBytes = 0x82;
constexpr uint8_t kIicError = 0x80;
constexpr uint8_t kIicCountMask = 0x07;
constexpr int kIicReportType = 1;
constexpr int kIicNotOn = -1;

uint8_t chipWriteAddress(int chip) { return static_cast<uint8_t>(0xA0 + 2 * (chip - 1)); }

// Whether a reply answers the request: the same report id, and for a read
// the count asked for (unless it reports an error).
bool answersRequest(const uint8_t* reply, const uint8_t* request) {
  if (reply[0] != request[0]) return false;
  if (request[0] != kIicReadReport || (reply[1] & kIicError)) return true;
  return (reply[1] & kIicCountMask) == request[1];
}

}  // namespace

bool CVantrixController::iicMarkerExists() {
  if (iicMarker_) return true;
  return platform::NamedMutex::openExisting(iicMarkerName(GetProductId(), GetSerialNumber())) !=
         nullptr;
}

bool CVantrixController::EnableIic(bool on) {
  if (on && iicMarkerExists()) return true;
  if (writeReport(1, {kIicModeReport, on ? uint8_t{1} : uint8_t{0}}) < 8) {
    failedWriteError();
    return false;
  }
  if (on)
    iicMarker_ = platform::NamedMutex::create(iicMarkerName(GetProductId(), GetSerialNumber()), true);
  else
    iicMarker_.reset();
  clearQueue(kIicReportType);
  return true;
}

int CVantrixController::IicWrite(const uint8_t* report) {
  if (!iicMarkerExists()) return kIicNotOn;
  std::lock_guard<std::recursive_mutex> exchange(controllerLock_);
  if (Write(1, report, 8) == 8) return 0;
  return static_cast<int>(failedWriteError());
}

int CVantrixController::IicReadReply(uint8_t* buffer) {
  if (!iicMarkerExists()) return kIicNotOn;
  std::lock_guard<std::recursive_mutex> exchange(controllerLock_);
  if (ReadWithQueue(kIicReportType, 1, buffer, 8) == 8) {
    const bool isAnswer = buffer[0] == kIicWriteReport || buffer[0] == kIicReadReport;
    if (isAnswer && (buffer[1] & kIicError)) {
      failedReadError();
      return kIicNotOn;
    }
    return 0;
  }
  // A failure must not read as success, whatever the last error says.
  const uint32_t error = failedWriteError();
  return error != 0 ? static_cast<int>(error) : -1;
}

// Sends an IIC request and takes its reply. IIC reports left over from
// before are dropped first, and so is any report that does not answer the
// request, so that a late or unasked report never passes for the reply.
bool CVantrixController::iicExchange(const uint8_t* request, Report& reply) {
  drainLeftovers(kIicReportType);
  if (IicWrite(request) != 0) return false;
  const auto deadline = Clock::now() + kTransferDeadline;
  for (;;) {
    if (readQueued(kIicReportType, 1, reply.data(), 8, deadline) != 8) {
      failedReadError();
      return false;
    }
    if (answersRequest(reply.data(), request)) return !(reply[1] & kIicError);
    // An IIC report that came in between, unasked: it answers nothing.
    if (Clock::now() >= deadline) {
      platform::setLastError(platform::kErrorTimeout);
      return false;
    }
  }
}

bool CVantrixController::ReadEeprom(int chip, uint8_t address, uint8_t* byte0, uint8_t* byte1,
                                    uint8_t* byte2, uint8_t* byte3) {
  if (!byte0 || chip < 1 || chip > 8 || !iicMarkerExists()) return false;
  if (!specialReportsFit("CVantrixController::ReadEeprom")) return false;
  std::lock_guard<std::recursive_mutex> exchange(controllerLock_);
  Report reply{};
  const uint8_t setAddress[8] = {kIicWriteReport, kStartAndTwoBytes, chipWriteAddress(chip), address};
  bool read = iicExchange(setAddress, reply);

  Report data{};
  if (read) {
    const uint8_t count = static_cast<uint8_t>(1 + (byte1 != nullptr) + (byte2 != nullptr) +
                                               (byte3 != nullptr));
    const uint8_t request[8] = {kIicReadReport, count, static_cast<uint8_t>(chipWriteAddress(chip) + 1)};
    read = iicExchange(request, data);
  }
  if (!read) data = {};  // what a failed read brought is no memory content
  uint8_t* outputs[4] = {byte0, byte1, byte2, byte3};
  for (size_t i = 0; i < 4; ++i)
    if (outputs[i]) *outputs[i] = data[i + 2];
  return read;
}
