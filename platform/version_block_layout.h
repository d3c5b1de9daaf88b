#pragma once
#include <cstddef>
#include <cstdint>

// The layout of a VS_VERSIONINFO block. Every node is
//   wLength, wValueLength, wType (16 bits each, little endian),
//   key (UTF-16, terminated), padding to 32 bits, value, padding, children,
// where wLength covers the node up to the end of its last child, padding is
// counted from the start of the block, and wValueLength counts characters
// for text nodes (wType 1) and bytes for binary nodes (wType 0).
namespace platform::version_block {

constexpr size_t kNodeHeaderSize = 6;
constexpr uint16_t kBinaryNode = 0;
constexpr uint16_t kTextNode = 1;

constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr uint16_t kFixedFileInfoSize = 52;  // VS_FIXEDFILEINFO: 13 DWORDs

// The fixed keys, widened at run time (see asciiToUtf16).
constexpr char kRootKey[] = "VS_VERSION_INFO";
constexpr char kStringFileInfoKey[] = "StringFileInfo";
constexpr char kVarFileInfoKey[] = "VarFileInfo";
constexpr char kTranslationKey[] = "Translation";

constexpr size_t alignedTo32Bits(size_t offset) { return (offset + 3) & ~size_t{3}; }

inline uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace platform::version_block
