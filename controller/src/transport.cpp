// Whole-report reads and writes on the boards of the device list.
#include "controller/transport.h"

#include <platform/last_error.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "device_record.h"
#include "transport_internal.h"

namespace {

using platform::HidDevice;

struct Outcome {
  bool ok;
  uint32_t error;
};

// The record of a handle that may do I/O on the interface, or null.
std::shared_ptr<DeviceRecord> openRecord(DeviceListState& list, IowHandle handle,
                                         uint32_t interfaceNumber) {
  auto record = findRecord(list, handle);
  if (!record || interfaceNumber > 1 || record->marker != kOpenMarker || !record->openFlag ||
      record->mode != 1)
    return nullptr;
  return record;
}

int effectiveWait(int deviceTimeout, int longestWaitMs) {
  if (longestWaitMs < 0) return deviceTimeout;
  if (deviceTimeout < 0) return longestWaitMs;
  return std::min(deviceTimeout, longestWaitMs);
}

// Takes the interface's oldest report, waiting for one when the ring is empty.
Outcome takeReport(IowHandle handle, uint32_t interfaceNumber, uint8_t* buffer,
                   int longestWaitMs) {
  DeviceListState& list = deviceList();
  std::shared_ptr<DeviceRecord> record;
  {
    std::lock_guard<std::mutex> guard(list.lock);
    record = openRecord(list, handle, interfaceNumber);
  }
  if (!record) return {false, platform::kErrorInvalidParameter};
  InterfaceState& state = record->interfaces[interfaceNumber];

  // Readers take turns before the global lock, so a waiting reader never
  // holds up one that needs the global lock to finish.
  std::lock_guard<std::mutex> turn(state.readTurn);
  int waitMs;
  {
    std::lock_guard<std::mutex> guard(list.lock);
    if (openRecord(list, handle, interfaceNumber) != record)
      return {false, platform::kErrorInvalidParameter};
    waitMs = effectiveWait(record->readTimeout, longestWaitMs);
  }

  ReportRing::Slot report;
  std::unique_lock<std::mutex> ring(state.ringLock);
  auto deliver = [&]() -> Outcome {
    std::memcpy(buffer, report.data(), state.inputLength());
    return {true, platform::kErrorSuccess};
  };
  auto failed = [&]() -> Outcome {
    return {false, state.unplugged ? platform::kErrorDevNotExist : platform::kErrorTimeout};
  };
  if (state.ring.takeOldest(report)) return deliver();
  if (state.shutDown || state.readerEnded) return failed();

  state.dataArrived = state.readFailed = false;
  auto signalled = [&] {
    return state.dataArrived || state.readFailed || state.readerEnded || state.shutDown;
  };
  if (waitMs < 0)
    state.changed.wait(ring, signalled);
  else
    state.changed.wait_for(ring, std::chrono::milliseconds(waitMs), signalled);

  const bool gotData = state.dataArrived && !state.shutDown;
  state.dataArrived = state.readFailed = false;
  if (!gotData || !state.ring.takeOldest(report)) return failed();
  return deliver();
}

struct WriteOutcome {
  size_t taken;  // reports the device took, in order
  uint32_t error;
};

// Writes count reports at once and waits for the device to take them.
WriteOutcome putReports(IowHandle handle, uint32_t interfaceNumber, const uint8_t* data,
                        size_t count, int longestWaitMs) {
  DeviceListState& list = deviceList();
  std::shared_ptr<DeviceRecord> record;
  int timeoutMs;
  {
    std::lock_guard<std::mutex> guard(list.lock);
    record = openRecord(list, handle, interfaceNumber);
    if (!record || !data || !record->interfaces[interfaceNumber].writeDevice)
      return {0, platform::kErrorInvalidParameter};
    timeoutMs = effectiveWait(record->writeTimeout, longestWaitMs);
    // Counted under the global lock, so teardown sees every write that started.
    ++record->interfaces[interfaceNumber].writesInFlight;
  }
  InterfaceState& state = record->interfaces[interfaceNumber];
  const size_t reportBytes = state.outputLength();
  HidDevice::Result result;
  {
    std::lock_guard<std::mutex> turn(state.writeTurn);
    if (!state.closing)
      result = state.writeDevice->writeReports(data, reportBytes, count, timeoutMs);
  }
  --state.writesInFlight;

  std::lock_guard<std::mutex> guard(list.lock);
  if (openRecord(list, handle, interfaceNumber) != record) return {0, platform::kErrorTimeout};
  const size_t taken = std::min(result.bytes / reportBytes, count);
  switch (result.status) {
    case HidDevice::Status::Ok:
      return {taken, taken == count ? platform::kErrorSuccess : platform::kErrorInvalidParameter};
    case HidDevice::Status::Timeout:
    case HidDevice::Status::Cancelled:
      return {taken, platform::kErrorTimeout};
    case HidDevice::Status::Gone:
      return {taken, platform::kErrorDevNotExist};
    case HidDevice::Status::Failed:
      break;
  }
  return {taken, platform::kErrorInvalidParameter};
}

// The interface of an open board, held so that it outlives a teardown.
std::shared_ptr<DeviceRecord> recordOfOpen(IowHandle handle, uint32_t interfaceNumber) {
  DeviceListState& list = deviceList();
  std::lock_guard<std::mutex> guard(list.lock);
  return openRecord(list, handle, interfaceNumber);
}

// Checks the common arguments; the report length of the interface, or 0.
size_t reportLength(IowHandle handle, uint32_t interfaceNumber, const void* buffer,
                    uint32_t length, bool input) {
  DeviceListState& list = deviceList();
  std::lock_guard<std::mutex> guard(list.lock);
  auto record = openRecord(list, handle, interfaceNumber);
  if (!record || (!buffer && length > 0)) return 0;
  const InterfaceState& state = record->interfaces[interfaceNumber];
  return input ? state.inputLength() : state.outputLength();
}

}  // namespace

int readReportsWithin(IowHandle handle, uint32_t interfaceNumber, uint8_t* buffer,
                      uint32_t length, int longestWaitMs) {
  const size_t reportBytes = reportLength(handle, interfaceNumber, buffer, length, true);
  if (reportBytes == 0) {
    platform::setLastError(platform::kErrorInvalidParameter);
    return 0;
  }
  uint32_t error = platform::kErrorSuccess;
  size_t total = 0;
  for (size_t end = reportBytes; end <= length; end += reportBytes) {
    Outcome outcome = takeReport(handle, interfaceNumber, buffer + total, longestWaitMs);
    error = outcome.error;
    if (!outcome.ok) break;
    total += reportBytes;
  }
  platform::setLastError(error);
  return static_cast<int>(total);
}

int iowRead(IowHandle handle, uint32_t interfaceNumber, uint8_t* buffer, uint32_t length) {
  return readReportsWithin(handle, interfaceNumber, buffer, length, -1);
}

int writeReportsWithin(IowHandle handle, uint32_t interfaceNumber, const uint8_t* data,
                       uint32_t length, int longestWaitMs) {
  const size_t reportBytes = reportLength(handle, interfaceNumber, data, length, false);
  if (reportBytes == 0) {
    platform::setLastError(platform::kErrorInvalidParameter);
    return 0;
  }
  const size_t count = length / reportBytes;
  WriteOutcome outcome{0, platform::kErrorSuccess};
  if (count > 0) outcome = putReports(handle, interfaceNumber, data, count, longestWaitMs);
  platform::setLastError(outcome.error);
  return static_cast<int>(outcome.taken * reportBytes);
}

int iowWrite(IowHandle handle, uint32_t interfaceNumber, const uint8_t* data, uint32_t length) {
  return writeReportsWithin(handle, interfaceNumber, data, length, -1);
}

bool waitForInput(IowHandle handle, uint32_t interfaceNumber) {
  auto record = recordOfOpen(handle, interfaceNumber);
  if (!record) return false;
  InterfaceState& state = record->interfaces[interfaceNumber];
  std::unique_lock<std::mutex> ring(state.ringLock);
  state.changed.wait(ring, [&] {
    return state.ring.count() > 0 || state.wakeRequested || state.readerEnded || state.shutDown;
  });
  state.wakeRequested = false;
  return state.ring.count() > 0 || !(state.readerEnded || state.shutDown);
}

void wakeInputWait(IowHandle handle, uint32_t interfaceNumber) {
  auto record = recordOfOpen(handle, interfaceNumber);
  if (!record) return;
  InterfaceState& state = record->interfaces[interfaceNumber];
  {
    std::lock_guard<std::mutex> ring(state.ringLock);
    state.wakeRequested = true;
  }
  state.changed.notify_all();
}

bool iowSetReadTimeout(IowHandle handle, int milliseconds) {
  DeviceListState& list = deviceList();
  std::lock_guard<std::mutex> guard(list.lock);
  auto record = findRecord(list, handle);
  if (!record || record->marker != kOpenMarker || record->mode != 1) {
    platform::setLastError(platform::kErrorInvalidParameter);
    return false;
  }
  record->readTimeout = milliseconds;
  platform::setLastError(platform::kErrorSuccess);
  return true;
}

ReportLengths reportLengthsOf(IowHandle handle, uint32_t interfaceNumber) {
  DeviceListState& list = deviceList();
  std::lock_guard<std::mutex> guard(list.lock);
  auto record = openRecord(list, handle, interfaceNumber);
  if (!record) return {};
  const InterfaceState& state = record->interfaces[interfaceNumber];
  return {state.inputLength(), state.outputLength()};
}

size_t queuedReportCount(IowHandle handle, uint32_t interfaceNumber) {
  DeviceListState& list = deviceList();
  std::shared_ptr<DeviceRecord> record;
  {
    std::lock_guard<std::mutex> guard(list.lock);
    record = openRecord(list, handle, interfaceNumber);
  }
  if (!record) return 0;
  InterfaceState& state = record->interfaces[interfaceNumber];
  std::lock_guard<std::mutex> ring(state.ringLock);
  return state.ring.count();
}
