#include "simconnect_names.h"

#include <iterator>

namespace lab::control {
namespace {

constexpr const char* kExceptions[] = {
    "NONE", "ERROR", "SIZE_MISMATCH", "UNRECOGNIZED_ID", "UNOPENED", "VERSION_MISMATCH",
    "TOO_MANY_GROUPS", "NAME_UNRECOGNIZED", "TOO_MANY_EVENT_NAMES", "EVENT_ID_DUPLICATE",
    "TOO_MANY_MAPS", "TOO_MANY_OBJECTS", "TOO_MANY_REQUESTS", "WEATHER_INVALID_PORT",
    "WEATHER_INVALID_METAR", "WEATHER_UNABLE_TO_GET_OBSERVATION",
    "WEATHER_UNABLE_TO_CREATE_STATION", "WEATHER_UNABLE_TO_REMOVE_STATION",
    "INVALID_DATA_TYPE", "INVALID_DATA_SIZE", "DATA_ERROR", "INVALID_ARRAY",
    "CREATE_OBJECT_FAILED", "LOAD_FLIGHTPLAN_FAILED", "OPERATION_INVALID_FOR_OBJECT_TYPE",
    "ILLEGAL_OPERATION", "ALREADY_SUBSCRIBED", "INVALID_ENUM", "DEFINITION_ERROR",
    "DUPLICATE_ID", "DATUM_ID", "OUT_OF_BOUNDS",
};

constexpr const char* kColours[] = {"BLACK", "WHITE", "RED", "GREEN",
                                    "BLUE", "YELLOW", "MAGENTA", "CYAN"};

}  // namespace

std::string exceptionName(uint32_t exception) {
  if (exception < std::size(kExceptions)) return kExceptions[exception];
  return "EXCEPTION_" + std::to_string(exception);
}

std::string textTypeName(uint32_t type) {
  if (type < 8) return std::string("SCROLL_") + kColours[type];
  if (type >= 0x100 && type < 0x108) return std::string("PRINT_") + kColours[type - 0x100];
  if (type == 0x200) return "MENU";
  return "TYPE_" + std::to_string(type);
}

}  // namespace lab::control
