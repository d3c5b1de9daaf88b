#pragma once
#include <cstdint>
#include <string_view>

// True when a device-interface name such as
// "\\?\HID#VID_1FD1&PID_03E8&MI_01#7&2f1c0a&0&0000#{4d1e55b2-...}" names
// interface `interfaceNumber` of a Vantrix board. Letter case does not
// matter; a name without "VID_", "PID_" or "MI_" never matches.
bool isVantrixInterface(std::string_view interfaceName, uint32_t interfaceNumber);
