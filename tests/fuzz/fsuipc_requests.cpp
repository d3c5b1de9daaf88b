// What an FSUIPC client leaves in its shared area: the lab's FSUIPC server
// checks the request list and performs it against its offset memory.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fsuipc/ipc_requests.h"
#include "fsuipc/offset_memory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fsuipc = lab::fsuipc;
  if (size < 2) return 0;
  // The first two bytes choose where the list starts; the rest is the area.
  const size_t first = (size_t{data[0]} << 8 | data[1]) % 0x8100;
  std::vector<uint8_t> area(0x8000, 0);
  std::memcpy(area.data(), data + 2, std::min(area.size(), size - 2));
  auto requests = fsuipc::parseIpcRequests(area, first);
  if (!requests) return 0;
  fsuipc::OffsetMemory memory;
  fsuipc::performIpcRequests(
      area, *requests, [&](uint32_t offset, size_t count) { return memory.read(offset, count); },
      [&](uint32_t offset, std::span<const uint8_t> bytes) { memory.write(offset, bytes); });
  fsuipc::corruptReadCounts(area, *requests);
  return 0;
}
