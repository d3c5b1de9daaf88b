#include "fsuipc/offset_memory.h"

namespace lab::fsuipc {

std::vector<uint8_t> OffsetMemory::read(uint32_t offset, size_t count) const {
  std::vector<uint8_t> out(count, 0);
  if (bytes_.empty()) return out;
  for (size_t i = 0; i < count; ++i) {
    auto found = bytes_.find(static_cast<uint32_t>(offset + i));
    if (found != bytes_.end()) out[i] = found->second;
  }
  return out;
}

void OffsetMemory::write(uint32_t offset, std::span<const uint8_t> bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    uint32_t address = static_cast<uint32_t>(offset + i);
    if (bytes[i] == 0)
      bytes_.erase(address);
    else
      bytes_[address] = bytes[i];
  }
}

}  // namespace lab::fsuipc
