#pragma once
// Real USB boards behind platform/hid.h: enumeration and open handles, on
// top of the narrow library interface (usb_library.h).
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hid.h"
#include "posix/usb_library.h"

namespace platform::usb {

class OpenBoard;

// Every board this process has open on one library. A USB interface can be
// claimed once per process, so every handle on a board, and enumeration
// while handles are open, share one opened device and one claim per
// interface; each read handle has its own queue of input reports, filled by
// interrupt transfers kept in flight from the first read handle on.
class UsbBoards {
 public:
  explicit UsbBoards(UsbLibrary& library);
  ~UsbBoards();
  UsbBoards(const UsbBoards&) = delete;
  UsbBoards& operator=(const UsbBoards&) = delete;

  // The process's boards on UsbLibrary::process(); null when the library
  // cannot start.
  static UsbBoards* process();

  // Every HID interface of the boards' products present now. A board that
  // cannot be opened for lack of rights is said once per enumeration to the
  // debugger output, naming the udev rule that grants them.
  std::vector<HidInterfaceInfo> enumerate();
  std::unique_ptr<HidDevice> open(const std::string& path, HidDevice::Access access);

  // Time bounds of the backend's own requests (descriptors, strings).
  static constexpr unsigned kRequestTimeoutMs = 1000;
  // Input reports a read handle keeps for its reader, the newest ones.
  static constexpr size_t kQueuedReports = 128;
  // Interrupt IN transfers kept in flight per interface.
  static constexpr int kTransfersInFlight = 4;

 private:
  std::shared_ptr<OpenBoard> acquire(const UsbAddress& address, Outcome& outcome);

  UsbLibrary& library_;
  std::mutex mutex_;
  std::map<UsbAddress, std::weak_ptr<OpenBoard>> boards_;
};

// The messages for a board that cannot be opened for lack of rights, and
// for one whose interfaces another program holds.
std::string noAccessMessage(const UsbDeviceFacts& device);
std::string inUseMessage(const UsbDeviceFacts& device);

}  // namespace platform::usb
