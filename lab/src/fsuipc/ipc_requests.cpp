#include "fsuipc/ipc_requests.h"

#include <algorithm>

namespace lab::fsuipc {
namespace {

constexpr uint32_t kEndId = 0, kReadId = 1, kWriteId = 2;
// FSUIPC's offsets are 16 bits: 0x0000 to 0xFFFF.
constexpr uint64_t kOffsetSpace = 0x10000;

// Whether `length` bytes from `at` lie inside the area, without overflow.
bool fits(std::span<const uint8_t> area, size_t at, uint64_t length) {
  return at <= area.size() && length <= area.size() - at;
}

}  // namespace

uint32_t loadLittleEndian32(std::span<const uint8_t> area, size_t at) {
  return uint32_t(area[at]) | uint32_t(area[at + 1]) << 8 | uint32_t(area[at + 2]) << 16 |
         uint32_t(area[at + 3]) << 24;
}

void storeLittleEndian32(std::span<uint8_t> area, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) area[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::optional<std::vector<IpcRequest>> parseIpcRequests(std::span<const uint8_t> area,
                                                        size_t first) {
  std::vector<IpcRequest> requests;
  size_t at = first;
  for (;;) {
    if (!fits(area, at, 4)) return std::nullopt;  // no terminator inside the area
    uint32_t id = loadLittleEndian32(area, at);
    if (id == kEndId) return requests;
    if (id != kReadId && id != kWriteId) return std::nullopt;
    IpcRequest request;
    request.kind = id == kReadId ? IpcRequest::Kind::Read : IpcRequest::Kind::Write;
    request.at = at;
    size_t header = request.dataAt() - at;
    if (!fits(area, at, header)) return std::nullopt;
    request.offset = loadLittleEndian32(area, at + 4);
    request.count = loadLittleEndian32(area, at + 8);
    if (!fits(area, at, uint64_t(header) + request.count)) return std::nullopt;
    if (uint64_t(request.offset) + request.count > kOffsetSpace) return std::nullopt;
    requests.push_back(request);
    at += header + request.count;
  }
}

void performIpcRequests(
    std::span<uint8_t> area, const std::vector<IpcRequest>& requests,
    const std::function<std::vector<uint8_t>(uint32_t offset, size_t count)>& read,
    const std::function<void(uint32_t offset, std::span<const uint8_t> bytes)>& write) {
  for (const IpcRequest& request : requests) {
    auto data = area.subspan(request.dataAt(), request.count);
    if (request.kind == IpcRequest::Kind::Read) {
      std::vector<uint8_t> answer = read(request.offset, request.count);
      std::copy(answer.begin(), answer.end(), data.begin());
    } else {
      write(request.offset, data);
    }
  }
}

void corruptReadCounts(std::span<uint8_t> area, const std::vector<IpcRequest>& requests) {
  for (const IpcRequest& request : requests)
    if (request.kind == IpcRequest::Kind::Read)
      storeLittleEndian32(area, request.at + 8, kGarbageCount);
}

}  // namespace lab::fsuipc
