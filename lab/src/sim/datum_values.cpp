#include "datum_values.h"

#include <SimConnect.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace lab::sim {
namespace {

template <class T>
T toInteger(double value) {
  constexpr double low = static_cast<double>(std::numeric_limits<T>::min());
  constexpr double high = static_cast<double>(std::numeric_limits<T>::max());
  double truncated = std::trunc(value);
  if (truncated <= low) return std::numeric_limits<T>::min();
  if (truncated >= high) return std::numeric_limits<T>::max();
  return static_cast<T>(truncated);
}

template <class T>
void append(std::vector<uint8_t>& bytes, T value) {
  uint8_t raw[sizeof value];
  std::memcpy(raw, &value, sizeof value);  // the lab runs little-endian, like the wire
  bytes.insert(bytes.end(), raw, raw + sizeof value);
}

}  // namespace

bool isNumericDataType(uint32_t dataType) {
  return dataType == SIMCONNECT_DATATYPE_INT32 || dataType == SIMCONNECT_DATATYPE_INT64 ||
         dataType == SIMCONNECT_DATATYPE_FLOAT32 || dataType == SIMCONNECT_DATATYPE_FLOAT64;
}

double asDataType(uint32_t dataType, double value) {
  switch (dataType) {
    case SIMCONNECT_DATATYPE_INT32:
      return toInteger<int32_t>(value);
    case SIMCONNECT_DATATYPE_INT64:
      return static_cast<double>(toInteger<int64_t>(value));
    case SIMCONNECT_DATATYPE_FLOAT32:
      return static_cast<float>(value);
    default:
      return value;
  }
}

void appendDatum(std::vector<uint8_t>& bytes, uint32_t dataType, double value) {
  switch (dataType) {
    case SIMCONNECT_DATATYPE_INT32:
      append(bytes, toInteger<int32_t>(value));
      break;
    case SIMCONNECT_DATATYPE_INT64:
      append(bytes, toInteger<int64_t>(value));
      break;
    case SIMCONNECT_DATATYPE_FLOAT32:
      append(bytes, static_cast<float>(value));
      break;
    default:
      append(bytes, value);
      break;
  }
}

}  // namespace lab::sim
