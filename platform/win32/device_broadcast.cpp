#include "win32/device_broadcast.h"

#include <dbt.h>

#include <cstddef>

#include "win32/wide_text.h"

namespace platform::win32 {

std::optional<DeviceInterfaceChange> deviceInterfaceChangeOf(WPARAM event, LPARAM broadcast) {
  DeviceChangeWatcher::Change change;
  if (event == DBT_DEVICEARRIVAL)
    change = DeviceChangeWatcher::Change::Arrival;
  else if (event == DBT_DEVICEREMOVECOMPLETE)
    change = DeviceChangeWatcher::Change::RemoveComplete;
  else
    return std::nullopt;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(broadcast);
  if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return std::nullopt;
  // The name runs to its terminator, but never beyond the size the
  // broadcast gives.
  const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  if (header->dbch_size <= nameOffset) return std::nullopt;
  const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
  const size_t capacity = (header->dbch_size - nameOffset) / sizeof(wchar_t);
  size_t length = 0;
  while (length < capacity && record->dbcc_name[length] != L'\0') ++length;
  if (length == 0) return std::nullopt;
  return DeviceInterfaceChange{change, narrow(std::wstring_view(record->dbcc_name, length))};
}

}  // namespace platform::win32
