// One "FsasmLib:IPC" exchange: the client names its shared area by the atom
// in wParam and the first request by lParam, and waits for the answer.
#include "lab/fsuipc_server.h"

#include "fsuipc/ipc_requests.h"
#include "fsuipc/offset_memory.h"

#include <platform/named_shared_memory.h>

#include <algorithm>

namespace lab {

intptr_t FsuipcServer::receive(const platform::WindowMessage& message) {
  if (message.message != ipcMessage_) return 0;
  size_t number = 0;
  AnswerMode mode{};
  {
    std::lock_guard lock(mutex_);
    number = ++exchanges_;
    mode = answerMode_;
    const std::string& name = message.wParamAtomText;
    if (!name.empty() && std::find(areaNames_.begin(), areaNames_.end(), name) == areaNames_.end())
      areaNames_.push_back(name);
  }
  changed_.notify_all();
  if (mode == AnswerMode::Bad) return 0;
  if (mode == AnswerMode::Silent) {
    // Held past the client's time-out, unless the fault ends or the server
    // closes meanwhile; either way the answer is a failure.
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, kSilentHold,
                      [&] { return closing_ || answerMode_ != AnswerMode::Silent; });
    return 0;
  }
  return exchange(message.wParamAtomText, message.lParam, number);
}

// Bad data leaves everything as it was: the whole list is checked before
// any request in it is performed, so no write of a bad list is applied or
// logged and the area is not written back.
intptr_t FsuipcServer::exchange(const std::string& areaName, intptr_t firstRequest,
                                size_t number) {
  auto shared = areaName.empty() ? nullptr : platform::NamedSharedMemory::openExisting(areaName);
  if (!shared || firstRequest < 0) return 0;
  // The client names the area and so its size: an area larger than any
  // FSUIPC client makes is refused before anything is allocated for it.
  if (shared->size() > kLargestArea) return 0;
  std::vector<uint8_t> area(shared->size());
  if (!shared->read(0, area.data(), area.size())) return 0;
  auto requests = fsuipc::parseIpcRequests(area, static_cast<size_t>(firstRequest));
  if (!requests) return 0;
  {
    std::lock_guard lock(mutex_);
    fsuipc::performIpcRequests(
        area, *requests,
        [&](uint32_t offset, size_t count) { return memory_->read(offset, count); },
        [&](uint32_t offset, std::span<const uint8_t> bytes) {
          clientWrite(offset, bytes, number);
        });
    if (answerMode_ == AnswerMode::Garbage) fsuipc::corruptReadCounts(area, *requests);
  }
  changed_.notify_all();
  // The client waits for the answer, so nothing else writes the area now.
  if (!shared->write(0, area.data(), area.size())) return 0;
  return 1;
}

// Called with mutex_ held. 0x330A-0x330B is a mailbox for the client's
// library version: what is written there is kept apart, so reads of
// 0x3308-0x330B still give the simulator version with 0xFADE in its high half.
void FsuipcServer::clientWrite(uint32_t offset, std::span<const uint8_t> bytes, size_t number) {
  writes_.push_back({offset, {bytes.begin(), bytes.end()}, number, std::chrono::steady_clock::now()});
  if (writes_.size() > kKeptWrites) writes_.erase(writes_.begin());
  for (size_t i = 0; i < bytes.size(); ++i) {
    uint32_t address = static_cast<uint32_t>(offset + i);
    if (address == kLibraryVersionOffset || address == kLibraryVersionOffset + 1) {
      uint16_t version = clientLibraryVersion_.value_or(0);
      int shift = address == kLibraryVersionOffset ? 0 : 8;
      version = static_cast<uint16_t>((version & ~(0xFF << shift)) | bytes[i] << shift);
      clientLibraryVersion_ = version;
    } else {
      memory_->write(address, bytes.subspan(i, 1));
    }
  }
}

}  // namespace lab
