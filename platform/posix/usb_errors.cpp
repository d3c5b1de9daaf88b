// Only the library's constants are used here; its calls are in usb_library.cpp.
#include "posix/usb_errors.h"

#include <libusb.h>

namespace platform::usb {

Outcome outcomeOfError(int libraryError) {
  if (libraryError >= 0) return Outcome::Ok;
  switch (libraryError) {
    case LIBUSB_ERROR_TIMEOUT: return Outcome::Timeout;
    case LIBUSB_ERROR_INTERRUPTED: return Outcome::Cancelled;
    case LIBUSB_ERROR_NO_DEVICE: return Outcome::Gone;
    case LIBUSB_ERROR_ACCESS: return Outcome::NoAccess;
    case LIBUSB_ERROR_BUSY: return Outcome::Busy;
    default: return Outcome::Failed;
  }
}

Outcome outcomeOfTransferStatus(int transferStatus) {
  switch (transferStatus) {
    case LIBUSB_TRANSFER_COMPLETED: return Outcome::Ok;
    case LIBUSB_TRANSFER_TIMED_OUT: return Outcome::Timeout;
    case LIBUSB_TRANSFER_CANCELLED: return Outcome::Cancelled;
    case LIBUSB_TRANSFER_NO_DEVICE: return Outcome::Gone;
    default: return Outcome::Failed;  // error, stall, overflow
  }
}

HidDevice::Status hidStatusOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::Ok: return HidDevice::Status::Ok;
    case Outcome::Timeout: return HidDevice::Status::Timeout;
    case Outcome::Cancelled: return HidDevice::Status::Cancelled;
    case Outcome::Gone: return HidDevice::Status::Gone;
    default: return HidDevice::Status::Failed;
  }
}

}  // namespace platform::usb
