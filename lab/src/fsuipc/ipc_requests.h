#pragma once
// The request list a client packs into its shared area: records back to
// back, little-endian, no padding, ended by a 4-byte id 0.
//   read:  u32 1, u32 offset, u32 count, u32 client token, count bytes to fill
//   write: u32 2, u32 offset, u32 count, count bytes to write
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace lab::fsuipc {

struct IpcRequest {
  enum class Kind { Read, Write };
  Kind kind = Kind::Read;
  size_t at = 0;  // where the record starts in the area
  uint32_t offset = 0;
  uint32_t count = 0;

  // Where the reception area (read) or the bytes (write) start.
  size_t dataAt() const { return at + (kind == Kind::Read ? 16 : 12); }
};

// The requests from `first` up to the terminator. Nothing when the list is
// bad data: a record or the terminator that does not lie wholly inside the
// area, an unknown id, or an offset range that runs past FSUIPC's last
// offset, 0xFFFF.
std::optional<std::vector<IpcRequest>> parseIpcRequests(std::span<const uint8_t> area,
                                                        size_t first);

// Performs the requests in order against the offset memory: each read's
// reception area is filled with read(offset, count), each write handed to
// write(offset, bytes). A read sees the writes before it in the same list.
void performIpcRequests(
    std::span<uint8_t> area, const std::vector<IpcRequest>& requests,
    const std::function<std::vector<uint8_t>(uint32_t offset, size_t count)>& read,
    const std::function<void(uint32_t offset, std::span<const uint8_t> bytes)>& write);

// What the "garbage" answer does to an area after performing it: every read
// record's count points far outside the area.
void corruptReadCounts(std::span<uint8_t> area, const std::vector<IpcRequest>& requests);
constexpr uint32_t kGarbageCount = 0x7FFFFFF0;

uint32_t loadLittleEndian32(std::span<const uint8_t> area, size_t at);
void storeLittleEndian32(std::span<uint8_t> area, size_t at, uint32_t value);

}  // namespace lab::fsuipc
