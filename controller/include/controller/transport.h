#pragma once
#include <cstddef>
#include <cstdint>

#include "controller/device_list.h"

// Report I/O on a board of the device list. Interface 0 is the pin
// interface, 1 the special-mode interface. Each interface's reader keeps the
// newest 128 input reports that nobody has read yet. A handle that is not
// an open board, an interface above 1 or a missing buffer give 0 with
// ERROR_INVALID_PARAMETER.

// Delivers whole input reports, oldest first, as many as fit into length;
// each waits up to the board's read timeout (ERROR_TIMEOUT when none came,
// or when the list was torn down meanwhile; ERROR_DEV_NOT_EXIST when the
// board was unplugged and nothing is left to read). The number of bytes
// delivered.
int iowRead(IowHandle handle, uint32_t interfaceNumber, uint8_t* buffer, uint32_t length);

// Writes whole output reports, as many as fit into length, in order and all
// on the way at once; each waits until the board took it, the board is
// unplugged (ERROR_DEV_NOT_EXIST) or the list is torn down (ERROR_TIMEOUT).
// The number of bytes of the reports taken before the first that failed.
int iowWrite(IowHandle handle, uint32_t interfaceNumber, const uint8_t* data, uint32_t length);

// The time one report read may wait, in milliseconds (-1: without limit,
// as every board starts).
bool iowSetReadTimeout(IowHandle handle, int milliseconds);
