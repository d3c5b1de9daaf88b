// The board's four output ports, written through the pin interface.
#include "controller/vantrix_controller.h"

namespace {

constexpr uint8_t kPinStatusReport = 0xFF;
constexpr int kPinStatusType = 5;
constexpr int kUnknownPort = -1;

}  // namespace

bool CVantrixController::WritePort(int port, int value) {
  if (port < 0 || port > 3) return false;
  bool allUnknown = true;
  for (int32_t known : portValues_) allUnknown &= known == kUnknownPort;
  // The report sets all four ports, so the others must be known first.
  if (allUnknown) ReadPinStatus(&portValues_[0], &portValues_[1], &portValues_[2], &portValues_[3]);
  portValues_[static_cast<size_t>(port)] = static_cast<int8_t>(value);
  const uint8_t report[5] = {0x00, static_cast<uint8_t>(portValues_[0]),
                             static_cast<uint8_t>(portValues_[1]),
                             static_cast<uint8_t>(portValues_[2]),
                             static_cast<uint8_t>(portValues_[3])};
  return Write(0, report, sizeof report) == static_cast<int>(sizeof report);
}

void CVantrixController::ReadPinStatus(int32_t* port0, int32_t* port1, int32_t* port2,
                                       int32_t* port3) {
  // Held from request to reply, so the key thread cannot take the reply.
  std::lock_guard<std::recursive_mutex> exchange(controllerLock_);
  if (!specialReportsFit("CVantrixController::ReadPinStatus")) return;
  // A pin status that came before the request answers nothing.
  drainLeftovers(kPinStatusType);
  if (writeReport(1, {kPinStatusReport}) != 8) {
    failedWriteError();
    return;
  }
  Report reply{};
  ReadWithQueue(kPinStatusType, 1, reply.data(), 8);
  if (reply[0] != kPinStatusReport) {
    failedReadError();
    return;
  }
  int32_t* outputs[4] = {port0, port1, port2, port3};
  for (size_t i = 0; i < 4; ++i)
    if (outputs[i]) *outputs[i] = reply[i + 1];
}
