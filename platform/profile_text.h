#pragma once
#include <optional>
#include <string>
#include <string_view>

// The text of a Windows profile (INI) file, read and edited the way the
// profile functions of Windows do it. No file access here.
namespace platform::profile {

// The trimmed value of the first key of that name in the first section of
// that name, letter case ignored; nothing when the section or key is missing
// or the key's line has no '='.
std::optional<std::string> findValue(std::string_view text, std::string_view section,
                                     std::string_view key);

// Drops one pair of enclosing quotes, single or double.
std::string stripEnclosingQuotes(std::string_view value);

// The leading integer of the value, as Windows reads it: leading blanks,
// optional sign, decimal or "0x" hexadecimal digits up to the first other
// character, 32-bit wrap-around. defaultValue when the value is empty.
int parseInteger(std::string_view value, int defaultValue);

// The text with key=value set: the key's line is replaced when the section
// has it, else the line is added at the end of the section, else the section
// is appended. Every other byte stays as it was. Nothing when the section or
// key name is blank.
std::optional<std::string> withValue(std::string_view text, std::string_view section,
                                     std::string_view key, std::string_view value);

}  // namespace platform::profile
