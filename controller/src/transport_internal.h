#pragma once
#include <cstddef>
#include <cstdint>

#include "controller/device_list.h"

// iowRead with an upper bound of its own on each report's wait (in
// milliseconds, -1: only the board's read timeout), for exchanges whose
// answer must come within a known time.
int readReportsWithin(IowHandle handle, uint32_t interfaceNumber, uint8_t* buffer,
                      uint32_t length, int longestWaitMs);

// iowWrite with an upper bound of its own on each report's wait (in
// milliseconds, -1: only the board's write timeout); a report not taken
// within it fails with ERROR_TIMEOUT.
int writeReportsWithin(IowHandle handle, uint32_t interfaceNumber, const uint8_t* data,
                       uint32_t length, int longestWaitMs);

// Sleeps until an input report waits on the interface, wakeInputWait() is
// called for it or the interface can deliver nothing more (the board is
// gone, the list was torn down). Takes no report. False when nothing more
// will come.
bool waitForInput(IowHandle handle, uint32_t interfaceNumber);
// Ends the interface's waitForInput, or the next one if none waits now.
void wakeInputWait(IowHandle handle, uint32_t interfaceNumber);

// An interface's input and output report lengths; zeros for a handle that
// is not an open board.
struct ReportLengths {
  size_t input = 0, output = 0;
};
ReportLengths reportLengthsOf(IowHandle handle, uint32_t interfaceNumber);

// How many input reports of the interface wait in its ring (tests).
size_t queuedReportCount(IowHandle handle, uint32_t interfaceNumber);
