#include "fsuipc_link.h"

#include "fsuipc_answers.h"

#include <platform/system_facts.h>

#include <cstdio>
#include <cstring>
#include <utility>

uint32_t FsuipcLink::attemptCounter_ = 0;

namespace {

constexpr char kMessageName[] = "FsasmLib:IPC";
constexpr size_t kTerminator = 4;

constexpr uint32_t kFsuipcVersionOffset = 0x3304;
constexpr uint32_t kSimulatorVersionOffset = 0x3308;
constexpr uint32_t kLibraryVersionOffset = 0x330A;
constexpr uint32_t kOldestFsuipc = 0x19980005;
constexpr uint32_t kSimulatorPattern = 0xFADE;

constexpr int kSendTimeoutMs = 2000;
constexpr int kSendAttempts = 2;
constexpr int kRetryPauseMs = 100;
constexpr int kHandshakePasses = 5;

}  // namespace

FsuipcError FsuipcLink::fail(FsuipcError error) {
  lastError_ = error;
  return error;
}

FsuipcError FsuipcLink::failAndClose(FsuipcError error) {
  close();
  return fail(error);
}

bool FsuipcLink::open() {
  if (area_) {
    fail(FsuipcError::AlreadyOpen);
    return false;
  }
  fsuipcVersion_ = 0;
  simulatorVersion_ = 0;

  if ((serverWindow_ = platform::findWindow("UIPCMAIN"))) {
    serverKind_ = ServerKind::Fsuipc;
  } else if ((serverWindow_ = platform::findWindow("FS98MAIN"))) {
    serverKind_ = ServerKind::WideClient;
  } else {
    fail(FsuipcError::NoServerWindow);
    return false;
  }
  messageId_ = platform::registerWindowMessage(kMessageName);
  if (messageId_ == 0) {
    fail(FsuipcError::MessageNotRegistered);
    return false;
  }

  ++attemptCounter_;
  open_ = true;
  char name[261];
  std::snprintf(name, sizeof name, "%s:%X:%X", kMessageName, platform::processId(),
                attemptCounter_);
  areaName_ = name;

  atom_ = platform::addAtom(areaName_);
  if (atom_ == 0) {
    failAndClose(FsuipcError::AtomNotCreated);
    return false;
  }
  // Areas of bridges that were killed have no holder left; they go first.
  platform::NamedSharedMemory::removeAbandoned();
  bool existed = false;
  area_ = platform::NamedSharedMemory::createOrOpen(areaName_, kAreaSize, nullptr, &existed);
  if (!area_ || existed || area_->size() < kAreaSize) {
    failAndClose(FsuipcError::MappingNotCreated);
    return false;
  }
  view_.assign(kAreaSize, 0);
  next_ = 0;
  readDestinations_.clear();
  return handshake();
}

bool FsuipcLink::handshake() {
  for (int pass = 1; pass <= kHandshakePasses; ++pass) {
    if (fsuipcVersion_ != 0 && simulatorVersion_ != 0) break;
    FsuipcError error = queueRead(kFsuipcVersionOffset, &fsuipcVersion_);
    if (error == FsuipcError::Okay) error = queueRead(kSimulatorVersionOffset, &simulatorVersion_);
    if (error == FsuipcError::Okay && pass == 1) {
      uint16_t version = kLibraryVersion;
      error = queueWrite(kLibraryVersionOffset, sizeof version, &version);
    }
    if (error == FsuipcError::Okay) error = process();
    if (error != FsuipcError::Okay) {
      failAndClose(error);
      return false;
    }
    if (pass > 1) platform::sleepMs(kRetryPauseMs);
  }
  if (fsuipcVersion_ < kOldestFsuipc || (simulatorVersion_ >> 16) != kSimulatorPattern) {
    failAndClose(serverKind_ == ServerKind::WideClient ? FsuipcError::WideClientWithoutServer
                                                       : FsuipcError::WrongFsuipcVersion);
    return false;
  }
  simulatorVersion_ &= 0xFFFF;
  fail(FsuipcError::Okay);
  return true;
}

void FsuipcLink::append(const void* bytes, size_t size) {
  if (size == 0) return;
  if (bytes)
    std::memcpy(view_.data() + next_, bytes, size);
  else
    std::memset(view_.data() + next_, 0, size);
  next_ += size;
}

FsuipcError FsuipcLink::queueRead(uint32_t offset, uint32_t* destination) {
  if (!isOpen()) return fail(FsuipcError::LinkNotOpen);
  if (next_ + kReadHeader + sizeof(uint32_t) + kTerminator > kUsableSize)
    return fail(FsuipcError::AreaFull);
  readDestinations_.push_back(destination);
  appendWord(kReadRequest);
  appendWord(offset);
  appendWord(sizeof(uint32_t));
  appendWord(static_cast<uint32_t>(readDestinations_.size()));
  append(nullptr, sizeof(uint32_t));  // the reception area starts out zero
  return fail(FsuipcError::Okay);
}

FsuipcError FsuipcLink::queueWrite(uint32_t offset, uint32_t size, const void* bytes) {
  if (!isOpen()) return fail(FsuipcError::LinkNotOpen);
  // In 64 bits, so that no size can wrap the sum around.
  if (uint64_t{next_} + size + kWriteHeader + kTerminator > kUsableSize)
    return fail(FsuipcError::AreaFull);
  appendWord(kWriteRequest);
  appendWord(offset);
  appendWord(size);
  append(bytes, size);
  return fail(FsuipcError::Okay);
}

FsuipcError FsuipcLink::process() {
  if (!isOpen()) return fail(FsuipcError::LinkNotOpen);
  if (next_ == 0) return fail(FsuipcError::NothingQueued);

  std::memset(view_.data() + next_, 0, kTerminator);
  size_t used = next_ + kTerminator;
  next_ = 0;
  if (!area_->write(0, view_.data(), used)) {
    readDestinations_.clear();
    return failAndClose(FsuipcError::SendFailed);
  }

  platform::SendResult sent;
  for (int attempt = 1; attempt <= kSendAttempts; ++attempt) {
    sent = platform::sendMessage(serverWindow_, messageId_, atom_, 0, kSendTimeoutMs);
    if (sent.ok()) break;
    platform::sleepMs(kRetryPauseMs);
  }
  if (!sent.ok()) {
    readDestinations_.clear();
    switch (sent.status) {
      case platform::SendStatus::timedOut:
        return failAndClose(FsuipcError::TimedOut);
      case platform::SendStatus::invalidWindow:
        return failAndClose(FsuipcError::NoServerWindow);
      default:
        return failAndClose(FsuipcError::SendFailed);
    }
  }
  bool answered = sent.result == 1 && copyAnswers();
  readDestinations_.clear();
  return fail(answered ? FsuipcError::Okay : FsuipcError::BadData);
}

// Every answered read must be one this client queued, with the size it
// asked for; otherwise the answer is bad data and no variable is touched.
bool FsuipcLink::copyAnswers() {
  if (!area_->read(0, view_.data(), kAreaSize)) return false;
  auto answers = readFsuipcAnswers(view_, readDestinations_.size());
  if (!answers) return false;
  for (auto [token, value] : *answers)
    if (uint32_t* destination = readDestinations_[token - 1]) *destination = value;
  return true;
}

void FsuipcLink::close() {
  if (atom_ != 0) platform::deleteAtom(atom_);
  area_.reset();
  view_.clear();
  readDestinations_.clear();
  serverWindow_ = {};
  messageId_ = 0;
  next_ = 0;
  open_ = false;
  atom_ = 0;
  areaName_.clear();
}
