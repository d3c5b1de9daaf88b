#include "platform/last_error.h"

namespace platform {
namespace {

// Each thread has its own, as on Windows.
thread_local uint32_t threadLastError = kErrorSuccess;

}  // namespace

uint32_t lastError() { return threadLastError; }

void setLastError(uint32_t error) { threadLastError = error; }

}  // namespace platform
