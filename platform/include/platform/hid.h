#pragma once
// HID devices: the interfaces the system lists, and report I/O on one of
// them. On Linux either the lab's emulated boards (sockets and descriptors
// under <runtime dir>/hid/) or real USB boards through libusb, chosen by
// KESTRIX_HID=lab|usb, else by whether <runtime dir>/hid/ exists (the lab's
// board rack makes it); the USB backend lists only the boards' products. On
// Windows they are the system's HID interfaces (SetupAPI and hid.dll, loaded
// at run time, and overlapped I/O on the interface paths).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One HID interface as enumeration finds it. Interfaces that cannot be
// opened for probing are not listed.
struct HidInterfaceInfo {
  // Named like a Windows device-interface path, e.g.
  // "\\?\HID#VID_1FD1&PID_03E8&MI_01#7&2f1c0a&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
  // so that one matching routine serves every platform.
  std::string path;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t versionNumber = 0;
  // Report lengths in bytes, report id included (the HID capability record).
  uint16_t inputReportLength = 0;
  uint16_t outputReportLength = 0;
  // The serial number string and indexed string 0 in UTF-16; nothing when
  // the device does not answer the request.
  std::optional<std::u16string> serialNumber;
  std::optional<std::u16string> indexedString0;
  // A node that every interface of one physical device shares (the parent
  // of the interface's parent in the device tree), and the interface's own.
  uint64_t groupingNode = 0;
  uint32_t deviceNode = 0;
  // The USB interface number (the "MI_xx" of the path); -1 when unknown.
  int interfaceNumber = -1;
};

// Every HID interface present now, in the system's order. Leaves the last
// error (platform/last_error.h): success, or why the system's HID services
// could not be used at all (then nothing is listed).
std::vector<HidInterfaceInfo> enumerateHidInterfaces();

// An open HID interface. Reads and writes may run on different threads at
// the same time; one read and one write at a time each.
class HidDevice {
 public:
  enum class Access { Read, Write };
  enum class Status {
    Ok,         // a whole report moved
    Timeout,    // nothing within the time given
    Cancelled,  // cancelRead/cancelWrite ended the wait
    Gone,       // the device was unplugged
    Failed,     // any other failure
  };
  struct Result {
    Status status = Status::Failed;
    size_t bytes = 0;
  };

  // Null when the path cannot be opened (no such device, or it is gone).
  static std::unique_ptr<HidDevice> open(const std::string& path, Access access);
  virtual ~HidDevice() = default;

  // Reads the next input report into buffer (at most length bytes), waiting
  // up to timeoutMs (negative: without limit). The device keeps a queue of
  // input reports that arrived since it was opened; one longer than length
  // is dropped, and the read goes on with the next.
  virtual Result readReport(uint8_t* buffer, size_t length, int timeoutMs) = 0;
  // Writes one output report and waits up to timeoutMs (negative: without
  // limit) until the device has taken it.
  virtual Result writeReport(const uint8_t* data, size_t length, int timeoutMs) = 0;
  // Writes count reports of length bytes each, in order, waiting up to
  // timeoutMs for each to be taken. A device may have them all on the way
  // at once, so a batch costs one round trip instead of one per report.
  // Ok with the bytes of all of them, or the status of the first that
  // failed with the bytes of those taken before it (later ones may have
  // reached the device all the same).
  virtual Result writeReports(const uint8_t* data, size_t length, size_t count, int timeoutMs) {
    size_t taken = 0;
    for (; taken < count; ++taken) {
      Result one = writeReport(data + taken * length, length, timeoutMs);
      if (one.status != Status::Ok) return {one.status, taken * length};
    }
    return {Status::Ok, count * length};
  }
  // End a wait of another thread with Cancelled (no effect when none waits).
  virtual void cancelRead() = 0;
  virtual void cancelWrite() = 0;
};

// Arrival and removal of HID interfaces while the program runs.
class DeviceChangeWatcher {
 public:
  enum class Change { Arrival, RemoveComplete };
  using Callback = void (*)(Change change, const std::string& interfacePath, void* user);

  // Starts watching; the callback runs on the watcher's own thread. Null when
  // watching is not possible.
  static std::unique_ptr<DeviceChangeWatcher> start(Callback callback, void* user);
  // Stops watching and waits for the watcher's thread; no call is made after.
  virtual ~DeviceChangeWatcher() = default;
};

}  // namespace platform
