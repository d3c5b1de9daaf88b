#pragma once

#include <cstdint>
#include <string_view>

// Reads hexadecimal text ("0x1A", "12345000") as a 32-bit value. The simulator
// takes packed-decimal values (ADF frequency, transponder code) in this form.
// An optional "0x"/"0X" prefix is skipped; reading stops at the first
// character that is not a hexadecimal digit. Empty or non-hex text gives 0.
// Digits beyond the eighth shift the oldest ones out instead of overflowing.
std::uint32_t hexTextToInt(std::string_view text);
