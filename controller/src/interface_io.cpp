// Opening and closing a board's interfaces, and the reader thread of each
// that collects every input report into the interface's ring, so that no
// report is lost while nobody reads.
#include <chrono>

#include "device_record.h"

namespace {

constexpr int kWithoutLimit = -1;
// After a failed read the reader pauses this long, so a device that keeps
// failing does not make it spin.
constexpr auto kPauseAfterFailure = std::chrono::milliseconds(20);
// Teardown repeats its cancel this often while a read or writes are still
// in flight: a cancel that comes just before a wait begins finds nothing to
// cancel.
constexpr auto kCancelRetry = std::chrono::milliseconds(2);

void signal(InterfaceState& state, bool InterfaceState::*flag) {
  {
    std::lock_guard<std::mutex> guard(state.ringLock);
    state.*flag = true;
  }
  state.changed.notify_all();
}

void readReports(InterfaceState& state) {
  ReportRing::Slot buffer{};
  bool failedBefore = false;
  while (!state.stopReader) {
    // Sleeps until a report comes; teardown cancels the read.
    auto result = state.readDevice->readReport(buffer.data(), state.inputLength(), kWithoutLimit);
    using Status = platform::HidDevice::Status;
    if (result.status == Status::Ok && result.bytes > 0) {
      {
        std::lock_guard<std::mutex> guard(state.ringLock);
        state.ring.put(buffer.data(), result.bytes);
        state.dataArrived = true;
      }
      state.changed.notify_all();
    } else if (result.status == Status::Gone) {
      signal(state, &InterfaceState::unplugged);
      signal(state, &InterfaceState::readFailed);
      break;  // nothing will ever come again
    } else if (result.status == Status::Timeout) {
      // A quiet device is fine; one that failed before counts as failing.
      if (failedBefore) signal(state, &InterfaceState::readFailed);
    } else if (result.status != Status::Cancelled) {
      failedBefore = true;
      signal(state, &InterfaceState::readFailed);
      std::unique_lock<std::mutex> guard(state.ringLock);
      state.changed.wait_for(guard, kPauseAfterFailure, [&] { return state.stopReader.load(); });
    }
  }
  signal(state, &InterfaceState::readerEnded);
}

bool usableLength(size_t length) { return length > 0 && length <= ReportRing::kSlotBytes; }

bool openInterface(InterfaceState& state) {
  if (!state.found || !usableLength(state.inputLength()) || !usableLength(state.outputLength()))
    return false;
  state.ring.clear();
  state.readDevice = platform::HidDevice::open(state.info.path, platform::HidDevice::Access::Read);
  state.writeDevice = platform::HidDevice::open(state.info.path, platform::HidDevice::Access::Write);
  if (!state.readDevice || !state.writeDevice) return false;
  state.reader = std::thread(readReports, std::ref(state));
  return true;
}

void closeInterface(InterfaceState& state) {
  state.closing = true;
  {
    std::lock_guard<std::mutex> guard(state.ringLock);
    state.shutDown = true;
  }
  state.changed.notify_all();  // waiting readers end

  if (state.reader.joinable()) {
    state.stopReader = true;
    state.changed.notify_all();
    std::unique_lock<std::mutex> guard(state.ringLock);
    while (!state.readerEnded) {
      guard.unlock();
      state.readDevice->cancelRead();
      guard.lock();
      state.changed.wait_for(guard, kCancelRetry, [&] { return state.readerEnded; });
    }
    guard.unlock();
    state.reader.join();
  }
  // A write may be about to start when the cancel comes, so cancel until
  // every writer has let go of the device.
  while (state.writeDevice && state.writesInFlight > 0) {
    state.writeDevice->cancelWrite();
    std::this_thread::sleep_for(kCancelRetry);
  }
  state.readDevice.reset();
  state.writeDevice.reset();
  std::lock_guard<std::mutex> guard(state.ringLock);
  state.ring.clear();
}

}  // namespace

bool openBoard(DeviceRecord& record) {
  bool opened = openInterface(record.interfaces[0]) && openInterface(record.interfaces[1]);
  if (!opened) {
    closeBoard(record);
    record.marker = kClosedMarker;  // nobody else has seen the record yet
  }
  return opened;
}

void closeBoard(DeviceRecord& record) {
  for (InterfaceState& state : record.interfaces) closeInterface(state);
}
