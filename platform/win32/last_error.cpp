#include "platform/last_error.h"

#include <windows.h>

namespace platform {
namespace {

// Our own per-thread value, which the system calls made between setting and
// reading it (a lock, a wait) cannot overwrite.
thread_local uint32_t threadLastError = kErrorSuccess;

}  // namespace

uint32_t lastError() { return threadLastError; }

// The system's value too, for a debugger or a caller that asks the system.
void setLastError(uint32_t error) {
  threadLastError = error;
  SetLastError(error);
}

}  // namespace platform
