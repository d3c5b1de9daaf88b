#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The version resource of a program file: a VS_VERSIONINFO block with its
// fixed file info, StringFileInfo tables and VarFileInfo translations. On
// Windows it is the program's VERSIONINFO resource, read by the system; on
// Linux our build embeds the block in every program and the reader finds it
// in any file.

// The raw block of the file, or nothing when it has none.
std::optional<std::vector<uint8_t>> readVersionResource(const std::string& filePath);

// Looks up a value of the block like VerQueryValue: "\\" (the fixed file info),
// "\\VarFileInfo\\Translation" (the translation array), or
// "\\StringFileInfo\\<lang><codepage>\\<name>" (a string, returned as UTF-8
// bytes without the terminator). Nothing when the path does not exist.
std::optional<std::vector<uint8_t>> queryVersionValue(const std::vector<uint8_t>& block,
                                                      const std::string& subBlock);

// What a version block holds, for the build and for tests that make files.
struct VersionStringTable {
  uint16_t languageId = 0x0409;
  uint16_t codePage = 0x04b0;
  std::vector<std::pair<std::string, std::string>> strings;  // name, value
};
struct VersionDescription {
  uint16_t fileVersion[4] = {0, 0, 0, 0};
  std::vector<VersionStringTable> tables;
  // Translation entries in order; when empty, one per table.
  std::vector<std::pair<uint16_t, uint16_t>> translations;
};

// The block, with the product version equal to the file version; empty when
// the description does not fit the block's 16-bit lengths (64 KiB in all).
std::vector<uint8_t> buildVersionBlock(const VersionDescription& description);

}  // namespace platform
