#pragma once
// FSUIPC's offset memory as the lab keeps it: 32-bit addresses, bytes that
// were never set read as 0, and only the set bytes take room.
#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

namespace lab::fsuipc {

class OffsetMemory {
 public:
  // Addresses past 0xFFFFFFFF wrap around to 0.
  std::vector<uint8_t> read(uint32_t offset, size_t count) const;
  void write(uint32_t offset, std::span<const uint8_t> bytes);

 private:
  std::unordered_map<uint32_t, uint8_t> bytes_;  // zeros are not kept
};

}  // namespace lab::fsuipc
