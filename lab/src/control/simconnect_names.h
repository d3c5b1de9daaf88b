#pragma once
// Readable names of SimConnect numbers for the lab's answers.
#include <cstdint>
#include <string>

namespace lab::control {

std::string exceptionName(uint32_t exception);  // "NAME_UNRECOGNIZED"
std::string textTypeName(uint32_t type);        // "PRINT_WHITE", "MENU"

}  // namespace lab::control
