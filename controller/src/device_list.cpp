// The process-wide device list: discovery of the boards, opening and
// tearing down the whole list, and the questions about one handle.
#include <platform/last_error.h>

#include <algorithm>
#include <cstring>

#include "controller/vantrix_ids.h"
#include "controller/at_once.h"
#include "device_record.h"

namespace {

// The pin interface is the one whose output reports are 5 bytes long.
constexpr uint16_t kPinOutputLength = 5;

// Open and close never run side by side; the global lock alone cannot keep
// them apart, because closing waits for readers and writers without it.
std::mutex& lifecycleLock() {
  static std::mutex lock;
  return lock;
}

void fail(uint32_t error) { platform::setLastError(error); }

std::shared_ptr<DeviceRecord> recordOfNode(const std::vector<std::shared_ptr<DeviceRecord>>& records,
                                           uint64_t groupingNode) {
  for (const auto& record : records)
    if (record->groupingNode == groupingNode) return record;
  return nullptr;
}

void readSerialNumber(DeviceRecord& record, const platform::HidInterfaceInfo& info) {
  record.serial.fill(0);
  if (!info.serialNumber) return;
  // The field holds 8 units and a terminator.
  const std::u16string& serial = *info.serialNumber;
  std::copy_n(serial.begin(), std::min<size_t>(serial.size(), record.serial.size() - 1),
              record.serial.begin());
  if (!info.indexedString0) return;
  // A board that answers its serial number as indexed string 0 has none of its own.
  std::array<char16_t, 9> indexed{};
  const std::u16string& string0 = *info.indexedString0;
  std::copy_n(string0.begin(), std::min(string0.size(), indexed.size()), indexed.begin());
  if (indexed == record.serial) record.serial.fill(0);
}

// One pass over the HID interfaces present: every Vantrix interface joins
// the record of its board; boards without exactly one pin and one
// special-mode interface are dropped. `enumerationError` is why the system's
// HID services could not be used, or success.
std::vector<std::shared_ptr<DeviceRecord>> findBoards(int mode, uint32_t& enumerationError) {
  std::vector<std::shared_ptr<DeviceRecord>> records;
  const std::vector<platform::HidInterfaceInfo> interfaces = platform::enumerateHidInterfaces();
  enumerationError = platform::lastError();
  for (const platform::HidInterfaceInfo& info : interfaces) {
    if (!isVantrixBoard(info.vendorId, info.productId)) continue;
    auto record = recordOfNode(records, info.groupingNode);
    if (!record) {
      record = std::make_shared<DeviceRecord>();
      record->groupingNode = info.groupingNode;
      records.push_back(record);
    }
    record->marker = kOpenMarker;
    record->mode = mode;
    ++record->interfaceCount;
    InterfaceState& slot = record->interfaces[interfaceSlotOf(info)];
    slot.found = true;
    slot.info = info;
    readSerialNumber(*record, info);
    record->readTimeout = record->writeTimeout = kNoTimeout;
  }
  std::erase_if(records, [](const auto& record) {
    // Two interfaces of one kind leave the other slot empty: such a board
    // cannot be driven either.
    return record->interfaceCount != 2 || !record->interfaces[0].found ||
           !record->interfaces[1].found;
  });
  return records;
}

void tearDown() {
  DeviceListState& list = deviceList();
  std::vector<std::shared_ptr<DeviceRecord>> closing;
  {
    std::lock_guard<std::mutex> guard(list.lock);
    closing.swap(list.records);
    for (const auto& record : closing) record->marker = kClosedMarker;
    list.handleTable.fill(nullptr);
    list.handleCount = 0;
    list.mode = 0;
  }
  forEachAtOnce(closing, [](const std::shared_ptr<DeviceRecord>& record) { closeBoard(*record); });
}

}  // namespace

size_t interfaceSlotOf(const platform::HidInterfaceInfo& info) {
  return info.outputReportLength == kPinOutputLength ? 0 : 1;
}

DeviceListState& deviceList() {
  static DeviceListState state;
  return state;
}

std::shared_ptr<DeviceRecord> findRecord(DeviceListState& list, IowHandle handle) {
  if (!handle) return nullptr;
  for (const auto& record : list.records)
    if (record.get() == handle) return record;
  return nullptr;
}

IowHandle iowOpenDevices() {
  std::lock_guard<std::mutex> lifecycle(lifecycleLock());
  tearDown();
  DeviceListState& list = deviceList();
  std::vector<std::shared_ptr<DeviceRecord>> found;
  uint32_t enumerationError = platform::kErrorSuccess;
  {
    std::lock_guard<std::mutex> guard(list.lock);
    list.mode = 1;
    found = findBoards(list.mode, enumerationError);
  }
  // Boards beyond the table are not used.
  if (found.size() > kMaxDevices) found.resize(kMaxDevices);
  std::vector<char> openedFlags(found.size(), 0);
  std::vector<size_t> indexes(found.size());
  for (size_t i = 0; i < indexes.size(); ++i) indexes[i] = i;
  forEachAtOnce(indexes, [&](size_t i) { openedFlags[i] = openBoard(*found[i]) ? 1 : 0; });
  std::vector<std::shared_ptr<DeviceRecord>> opened;
  for (size_t i = 0; i < found.size(); ++i)
    if (openedFlags[i]) opened.push_back(found[i]);
  std::lock_guard<std::mutex> guard(list.lock);
  for (const auto& record : opened) {
    record->openFlag = true;
    list.records.push_back(record);
    list.handleTable[list.handleCount++] = record.get();
  }
  IowHandle first = list.handleTable[0];
  // Without the HID services the reason is the failed load's.
  if (!first)
    fail(enumerationError != platform::kErrorSuccess ? enumerationError
                                                     : platform::kErrorDevNotExist);
  else
    fail(platform::kErrorSuccess);
  return first;
}

void iowCloseDevices(IowHandle) {
  std::lock_guard<std::mutex> lifecycle(lifecycleLock());
  tearDown();
  fail(platform::kErrorSuccess);
}

uint32_t iowDeviceCount() {
  DeviceListState& list = deviceList();
  std::lock_guard<std::mutex> guard(list.lock);
  fail(platform::kErrorSuccess);
  return list.handleCount;
}

IowHandle iowDeviceHandle(uint32_t index) {
  DeviceListState& list = deviceList();
  std::lock_guard<std::mutex> guard(list.lock);
  if (list.mode != 1 || index == 0 || index > list.handleCount) {
    fail(platform::kErrorInvalidParameter);
    return nullptr;
  }
  fail(platform::kErrorSuccess);
  return list.handleTable[index - 1];
}

uint16_t iowProductId(IowHandle handle) {
  DeviceListState& list = deviceList();
  std::lock_guard<std::mutex> guard(list.lock);
  auto record = findRecord(list, handle);
  if (!record) {
    fail(platform::kErrorInvalidParameter);
    return 0;
  }
  fail(platform::kErrorSuccess);
  return record->interfaces[0].info.productId;
}

int iowSerialNumber(IowHandle handle, char16_t* buffer) {
  DeviceListState& list = deviceList();
  std::lock_guard<std::mutex> guard(list.lock);
  auto record = findRecord(list, handle);
  if (!record || !buffer || record->mode != 1) {
    fail(platform::kErrorInvalidParameter);
    return 0;
  }
  std::copy(record->serial.begin(), record->serial.end(), buffer);
  fail(platform::kErrorSuccess);
  return record->serial[0] != 0;
}

bool iowIsValid(IowHandle handle) {
  DeviceListState& list = deviceList();
  std::lock_guard<std::mutex> guard(list.lock);
  return findRecord(list, handle) != nullptr;
}

std::optional<platform::HidInterfaceInfo> iowInterfaceInfo(IowHandle handle, int interfaceNumber) {
  DeviceListState& list = deviceList();
  std::lock_guard<std::mutex> guard(list.lock);
  auto record = findRecord(list, handle);
  if (!record || interfaceNumber < 0 || interfaceNumber > 1) {
    fail(platform::kErrorInvalidParameter);
    return std::nullopt;
  }
  fail(platform::kErrorSuccess);
  return record->interfaces[interfaceNumber].info;
}
