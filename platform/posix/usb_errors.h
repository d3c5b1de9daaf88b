#pragma once
// libusb's error codes and transfer states, as the USB backend sees them.
#include "platform/hid.h"
#include "posix/usb_library.h"

namespace platform::usb {

// A libusb_error (0 or negative) or a byte count (positive: Ok).
Outcome outcomeOfError(int libraryError);
// A libusb_transfer_status.
Outcome outcomeOfTransferStatus(int transferStatus);
// What a read or write of a HID report reports for an outcome.
HidDevice::Status hidStatusOf(Outcome outcome);

}  // namespace platform::usb
