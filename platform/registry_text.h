#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The text of one registry hive in REGEDIT4 form, read and written without
// file access. Regedit's import rules apply: a later value of the same name
// replaces an earlier one, and sections of other hives are skipped.
namespace platform::regedit {

struct ValueRecord {
  std::string name;  // empty for the default value ("@")
  uint32_t type = 0;
  std::string data;  // the raw bytes; REG_SZ text carries its NUL
};

struct KeyRecord {
  std::string path;  // below the hive, backslashes, no leading one
  std::vector<ValueRecord> values;
};

// Every key of hiveName ("HKEY_CURRENT_USER") in the text. Lines that make
// no sense are skipped, as regedit does.
std::vector<KeyRecord> parseHive(std::string_view text, std::string_view hiveName);

// The REGEDIT4 text of those keys. Plain strings are written as "text",
// four-byte REG_DWORDs as dword:, everything else as hex(N): so that what
// is read back is byte for byte what was written.
std::string formatHive(const std::vector<KeyRecord>& keys, std::string_view hiveName);

// ASCII letter case folded, for key and value names.
bool sameName(std::string_view a, std::string_view b);

}  // namespace platform::regedit
