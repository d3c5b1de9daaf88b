#pragma once
#include <cstdint>
#include <string_view>

// The texts of an `fsuipc` step's attributes, read as the configuration
// file's authors expect.

// Hexadecimal with an optional "0x"/"0X"; reading stops at the first other
// character; no digits gives 0; more than 8 digits keep the low 32 bits.
uint32_t parseHexOffset(std::string_view text);

// Decimal: optional leading white space and sign, then digits up to the
// first other character; no digits gives 0. Values beyond 32 bits keep
// their low 32 bits, as a C run-time's conversion to int would.
int32_t parseDecimal(std::string_view text);
