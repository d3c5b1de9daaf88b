#pragma once
// The device list's records, shared by discovery (device_list.cpp), the
// interface readers (interface_io.cpp) and report I/O (transport.cpp).
#include <platform/hid.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "controller/device_list.h"
#include "report_ring.h"

constexpr uint32_t kOpenMarker = 0x494F5761;
constexpr uint32_t kClosedMarker = 0xF00FBEEF;
constexpr int kNoTimeout = -1;

// One HID interface of a board. Discovery fills in `info`; opening adds
// the two devices and the reader thread.
struct InterfaceState {
  bool found = false;
  platform::HidInterfaceInfo info;

  std::unique_ptr<platform::HidDevice> readDevice;
  std::unique_ptr<platform::HidDevice> writeDevice;
  std::thread reader;
  std::atomic<bool> stopReader{false};

  // Guards the ring and the signals below; `changed` wakes readers.
  std::mutex ringLock;
  std::condition_variable changed;
  ReportRing ring;
  bool dataArrived = false;  // a report was put into the ring
  bool readFailed = false;   // a read of the reader failed or came back empty
  bool readerEnded = false;
  bool unplugged = false;    // the device is gone for good
  bool shutDown = false;     // the list was torn down
  bool wakeRequested = false;  // wakeInputWait() came for the next waitForInput()

  // One waiting reader and one write at a time per interface.
  std::mutex readTurn;
  std::mutex writeTurn;
  // Writes that hold the write device; teardown cancels them until none is left.
  std::atomic<int> writesInFlight{0};
  std::atomic<bool> closing{false};

  size_t inputLength() const { return info.inputReportLength; }
  size_t outputLength() const { return info.outputReportLength; }
};

// One physical board: its pin interface (0) and special-mode interface (1).
// The handle handed out is the record's address; the fields other than the
// interfaces' own are guarded by the device list's global lock.
struct DeviceRecord {
  uint32_t marker = 0;
  bool openFlag = false;
  int mode = 0;
  int readTimeout = kNoTimeout;
  int writeTimeout = kNoTimeout;
  std::array<char16_t, 9> serial{};
  uint64_t groupingNode = 0;
  int interfaceCount = 0;
  InterfaceState interfaces[2];
};

// The process-global state of the device list.
struct DeviceListState {
  std::mutex lock;  // the global lock
  int mode = 0;     // 0 closed, 1 open
  std::vector<std::shared_ptr<DeviceRecord>> records;
  std::array<IowHandle, kMaxDevices> handleTable{};
  uint32_t handleCount = 0;
};

DeviceListState& deviceList();

// Where an interface belongs on its board: the pin interface (0) is the one
// whose output reports are 5 bytes long, any other the special-mode one (1).
size_t interfaceSlotOf(const platform::HidInterfaceInfo& info);

// The record of a handle, or null; the caller holds the global lock.
std::shared_ptr<DeviceRecord> findRecord(DeviceListState& list, IowHandle handle);

// Opens both interfaces of a board and starts their readers; false (with
// everything closed again) when any step fails.
bool openBoard(DeviceRecord& record);
// Stops the readers, ends every wait and write on the board and closes it.
// The record must no longer be reachable through the list, and its marker
// already say so.
void closeBoard(DeviceRecord& record);
