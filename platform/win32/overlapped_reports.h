#pragma once
// Whole-report reads and writes on any handle opened for overlapped I/O (a
// HID interface; in tests a named pipe), each waited for at most a time and
// ended early on request of another thread.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/hid.h"

namespace platform::win32 {

// What a failed transfer means for the device. Errors the system gives for
// a device that was unplugged (or a pipe whose other end closed) mean Gone;
// ERROR_OPERATION_ABORTED only counts as a cancel when we cancelled, which
// the caller knows, so here it is a failure like any other.
HidDevice::Status statusOfIoError(DWORD error);

// ERROR_NO_SUCH_DEVICE, which the MinGW headers lack.
constexpr DWORD kErrorNoSuchDevice = 433;

class OverlappedReports {
 public:
  // The handle stays the caller's and must outlive this object.
  // `readCapacity` is the longest report a read may bring (the interface's
  // input report length); 0: the caller's buffer length.
  OverlappedReports(HANDLE handle, size_t readCapacity);
  ~OverlappedReports();
  OverlappedReports(const OverlappedReports&) = delete;
  OverlappedReports& operator=(const OverlappedReports&) = delete;

  bool valid() const;

  // As HidDevice::readReport/writeReport. One read and one write at a time.
  // Neither returns while its transfer may still touch the buffer.
  HidDevice::Result read(uint8_t* buffer, size_t length, int timeoutMs);
  HidDevice::Result write(const uint8_t* data, size_t length, int timeoutMs);
  void cancelRead() { reading_.cancel(); }
  void cancelWrite() { writing_.cancel(); }

 private:
  // The events of one direction: completion of its transfer, and the cancel.
  class Lane {
   public:
    Lane();
    ~Lane();
    bool valid() const { return done_ && cancel_; }
    // A cancel while no transfer waits is forgotten, as CancelIoEx then
    // finds nothing to cancel.
    void cancel();
    HidDevice::Result transfer(HANDLE handle, bool reading, void* buffer, DWORD length,
                               int timeoutMs);

   private:
    HANDLE done_ = nullptr;
    HANDLE cancel_ = nullptr;
    std::mutex mutex_;
    bool waiting_ = false;
  };

  HidDevice::Result remember(HidDevice::Result result);

  HANDLE handle_;
  size_t readCapacity_;
  std::vector<uint8_t> readBuffer_;
  Lane reading_;
  Lane writing_;
  // Once gone, a device stays gone.
  std::atomic<bool> gone_{false};
};

}  // namespace platform::win32
