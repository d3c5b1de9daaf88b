#pragma once
// The narrow interface through which the USB backend uses libusb-1.0. Only
// usb_library.cpp calls the library; everything above this header (report
// lengths, names, framing, queues, hot-plug notices) is plain code that the
// tests drive with a fake library.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform::usb {

// What became of a library call or a transfer (usb_errors.h maps the
// library's codes to these).
enum class Outcome { Ok, Timeout, Cancelled, Gone, NoAccess, Busy, Failed };

// Where a device sits: its bus and the port numbers from the root hub down.
// Stays the same while the device is plugged, and for a replug into the
// same port.
struct UsbAddress {
  uint8_t bus = 0;
  std::vector<uint8_t> ports;
  bool operator==(const UsbAddress&) const = default;
  bool operator<(const UsbAddress& other) const {
    return bus != other.bus ? bus < other.bus : ports < other.ports;
  }
};

struct UsbInterfaceFacts {
  int number = 0;
  bool isHid = false;    // interface class 3
  uint8_t inEndpoint = 0;   // interrupt IN endpoint address, 0 when none
  uint16_t inPacketSize = 0;
  uint8_t outEndpoint = 0;  // interrupt OUT endpoint address, 0 when none
};

// What the device and configuration descriptors tell without opening the
// device.
struct UsbDeviceFacts {
  UsbAddress address;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t version = 0;  // bcdDevice
  uint8_t serialIndex = 0;
  std::vector<UsbInterfaceFacts> interfaces;
};

struct ControlSetup {
  uint8_t requestType = 0;
  uint8_t request = 0;
  uint16_t value = 0;
  uint16_t index = 0;
};

// One asynchronous transfer. Its completion runs on the library's event
// thread; after submit() it must complete (cancel() hastens that) before
// the transfer is destroyed.
class UsbTransfer {
 public:
  using Completion = std::function<void(Outcome outcome, const uint8_t* data, size_t bytes)>;
  virtual ~UsbTransfer() = default;
  virtual Outcome submit() = 0;
  virtual void cancel() = 0;
};

// An opened device.
class UsbDevice {
 public:
  virtual ~UsbDevice() = default;  // closes it; its interfaces must be released
  // Claims an interface, detaching a kernel driver bound to it first.
  virtual Outcome claimInterface(int number) = 0;
  virtual void releaseInterface(int number) = 0;
  // A control transfer that waits at most timeoutMs; data is read into or
  // written from (bit 7 of the request type), bytes is what moved.
  virtual Outcome control(const ControlSetup& setup, uint8_t* data, uint16_t length,
                          unsigned timeoutMs, size_t& bytes) = 0;
  // An interrupt transfer on endpoint: IN ones deliver what came, OUT ones
  // send payload.
  virtual std::unique_ptr<UsbTransfer> interruptTransfer(uint8_t endpoint, size_t inLength,
                                                         std::vector<uint8_t> payload,
                                                         UsbTransfer::Completion completion) = 0;
  // A control transfer that writes payload, asynchronously.
  virtual std::unique_ptr<UsbTransfer> controlWrite(const ControlSetup& setup,
                                                    std::vector<uint8_t> payload,
                                                    UsbTransfer::Completion completion) = 0;
};

// Arrival and departure of devices; the callback runs on the event thread,
// where it must not make synchronous transfers.
class UsbHotplug {
 public:
  virtual ~UsbHotplug() = default;  // no call is made after
};

class UsbLibrary {
 public:
  // The process's library with its event thread, started on first use; null
  // when the library cannot start (a system without USB, or a container
  // without /dev/bus/usb): then there are simply no boards.
  static UsbLibrary* process();

  virtual ~UsbLibrary() = default;
  virtual std::vector<UsbDeviceFacts> devices() = 0;
  virtual std::unique_ptr<UsbDevice> open(const UsbAddress& address, Outcome& outcome) = 0;
  using HotplugCallback = std::function<void(bool arrived, const UsbDeviceFacts& device)>;
  // Null when the library has no hot-plug support here.
  virtual std::unique_ptr<UsbHotplug> watch(HotplugCallback callback) = 0;
};

}  // namespace platform::usb
