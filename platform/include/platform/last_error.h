#pragma once
#include <cstdint>

namespace platform {

// The calling thread's last-error value, with the Windows error numbers that
// the controller library reports through it.
uint32_t lastError();
void setLastError(uint32_t error);

constexpr uint32_t kErrorSuccess = 0;
constexpr uint32_t kErrorBadLength = 24;
constexpr uint32_t kErrorDevNotExist = 55;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorAlreadyExists = 183;
constexpr uint32_t kErrorLocked = 212;
constexpr uint32_t kErrorDeviceNotConnected = 1167;
constexpr uint32_t kErrorTimeout = 1460;

}  // namespace platform
