#pragma once
#include <cstdint>
#include <string_view>

// The texts of an `fsuipc` step's attributes, read as the configuration
// file's authors expect. Numbers are read in full: a value too large for
// its use is seen as such and never wraps into a small one.

// Hexadecimal with an optional "0x"/"0X"; reading stops at the first other
// character; no digits gives 0. Values beyond 64 bits stay at the largest.
uint64_t parseHexOffset(std::string_view text);

// Decimal: optional leading white space and sign, then digits up to the
// first other character; no digits gives 0. Values beyond what 64 bits
// hold stay at the largest (or smallest).
int64_t parseDecimal(std::string_view text);
