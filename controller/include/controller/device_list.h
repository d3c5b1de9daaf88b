#pragma once
#include <platform/hid.h>

#include <cstdint>
#include <optional>

// The process-wide list of Vantrix boards, opened and torn down as a whole.
// Every board is handed out as a handle (null: none); a handle stays valid
// until the list is torn down. Every call leaves its reason in
// platform::lastError(): ERROR_SUCCESS, or ERROR_INVALID_PARAMETER for an
// unknown handle, a bad index or a list that is not open.
using IowHandle = void*;

// Most boards the list hands out.
constexpr uint32_t kMaxDevices = 32;

// Tears down what was open, then finds every Vantrix board (two matching
// HID interfaces, a pin and a special-mode one, under one device node),
// opens both its interfaces and starts their readers. The first board's
// handle, or null when none could be opened: then the last error is
// ERROR_DEV_NOT_EXIST, or, when the system's HID services could not be
// loaded, the error of that load.
IowHandle iowOpenDevices();
// Closes every board and tears the list down, whatever handle is given.
// Reads and writes that wait end.
void iowCloseDevices(IowHandle handle);
uint32_t iowDeviceCount();
// index 1 is the first board.
IowHandle iowDeviceHandle(uint32_t index);
// The pin interface's product id; 0 for an unknown handle.
uint16_t iowProductId(IowHandle handle);
// Copies the board's serial number (8 UTF-16 units and a terminator) into
// buffer; nonzero when it is not empty.
int iowSerialNumber(IowHandle handle, char16_t* buffer);
// True while the handle belongs to a board of the open list.
bool iowIsValid(IowHandle handle);

// What discovery found about interface 0 (pin) or 1 (special mode) of a
// board of the open list: its path, ids, report lengths and strings. For
// people and tools that look at boards; nothing for an unknown handle.
std::optional<platform::HidInterfaceInfo> iowInterfaceInfo(IowHandle handle, int interfaceNumber);
