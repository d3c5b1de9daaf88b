#include "fsuipc_answers.h"

#include <cstring>

namespace {

uint32_t wordAt(std::span<const uint8_t> area, size_t position) {
  uint32_t value = 0;
  std::memcpy(&value, area.data() + position, sizeof value);
  return value;
}

}  // namespace

std::optional<std::vector<std::pair<uint32_t, uint32_t>>> readFsuipcAnswers(
    std::span<uint8_t> area, size_t readsQueued) {
  std::vector<std::pair<uint32_t, uint32_t>> answers;
  size_t position = 0;
  for (;;) {
    if (position + sizeof(uint32_t) > area.size()) return std::nullopt;  // no end mark
    uint32_t id = wordAt(area, position);
    if (id == 0) break;
    if (id != kReadRequest && id != kWriteRequest) {
      std::memset(area.data() + position, 0, sizeof(uint32_t));
      break;
    }
    size_t header = id == kReadRequest ? kReadHeader : kWriteHeader;
    if (position + header > area.size()) return std::nullopt;
    uint32_t count = wordAt(area, position + 8);
    if (count > area.size() - position - header) return std::nullopt;
    if (id == kReadRequest) {
      uint32_t token = wordAt(area, position + 12);
      if (token != 0 && count != 0) {
        if (token > readsQueued || count != sizeof(uint32_t)) return std::nullopt;
        answers.emplace_back(token, wordAt(area, position + header));
      }
    }
    position += header + count;
  }
  return answers;
}
