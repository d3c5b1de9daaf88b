#include "fsuipc_raw_client.h"

#include <platform/named_shared_memory.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace labtest {
namespace {

std::atomic<unsigned> areaCounter{0};

}  // namespace

size_t FsuipcArea::word(uint32_t value) {
  size_t at = next_;
  for (size_t i = 0; i < 4; ++i) bytes_.at(next_ + i) = static_cast<uint8_t>(value >> (8 * i));
  next_ += 4;
  return at;
}

size_t FsuipcArea::read(uint32_t offset, uint32_t count, uint32_t token) {
  size_t at = word(1);
  word(offset);
  word(count);
  word(token);
  next_ += count;
  return at;
}

size_t FsuipcArea::write(uint32_t offset, const std::vector<uint8_t>& data) {
  size_t at = word(2);
  word(offset);
  word(static_cast<uint32_t>(data.size()));
  for (uint8_t byte : data) bytes_.at(next_++) = byte;
  return at;
}

uint32_t FsuipcArea::wordAt(size_t at) const {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value |= uint32_t(bytes_.at(at + i)) << (8 * i);
  return value;
}

std::vector<uint8_t> FsuipcArea::bytesAt(size_t at, size_t count) const {
  if (at > bytes_.size() || count > bytes_.size() - at) return {};
  return {bytes_.begin() + at, bytes_.begin() + at + count};
}

uint32_t FsuipcArea::receivedValue(size_t at) const {
  uint32_t value = 0;
  std::vector<uint8_t> data = received(at);
  for (size_t i = 0; i < data.size() && i < 4; ++i) value |= uint32_t(data[i]) << (8 * i);
  return value;
}

FsuipcAnswer sendFsuipcArea(const FsuipcArea& area, const std::string& windowClass, int timeoutMs,
                            intptr_t firstRequest, const std::string& areaName) {
  char name[64];
  std::snprintf(name, sizeof name, "FsasmLib:IPC:%X:%X", static_cast<unsigned>(getpid()),
                ++areaCounter);
  FsuipcAnswer answer{{}, area};
  auto shared = platform::NamedSharedMemory::createOrOpen(name, area.bytes().size(),
                                                          area.bytes().data());
  if (!shared) return answer;
  uint16_t atom = platform::addAtom(areaName.empty() ? name : areaName);
  answer.sent = platform::sendMessage(platform::findWindow(windowClass),
                                      platform::registerWindowMessage("FsasmLib:IPC"), atom,
                                      firstRequest, timeoutMs);
  platform::deleteAtom(atom);
  shared->read(0, answer.area.bytes().data(), answer.area.bytes().size());
  return answer;
}

}  // namespace labtest
