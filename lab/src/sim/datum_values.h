#pragma once
// A datum's value at its SimConnect data type: what the client will read
// (an INT32 of 1234.5 kHz is 1234), and its bytes in a SIMOBJECT_DATA
// message. The lab's variables are numbers, so the numeric types are the
// ones it serves.
#include <cstdint>
#include <vector>

namespace lab::sim {

// INT32, INT64, FLOAT32 or FLOAT64.
bool isNumericDataType(uint32_t dataType);

// The value as the data type holds it: integers truncated toward zero (and
// held within their range), FLOAT32 rounded to single precision.
double asDataType(uint32_t dataType, double value);

// Appends the value at the type's width, little-endian.
void appendDatum(std::vector<uint8_t>& bytes, uint32_t dataType, double value);

}  // namespace lab::sim
