#pragma once
#include <cstdint>
#include <string_view>

// The value of a hexadecimal text such as "3401", "0x1f" or "1FD1&PID": an
// optional "0x" (either case), then hexadecimal digits up to the first other
// character. An empty text, or one without leading digits, gives 0.
uint32_t parseHex(std::string_view text);
