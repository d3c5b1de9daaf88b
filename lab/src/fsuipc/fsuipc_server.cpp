// The server's window, settings, offset memory and write log.
#include "lab/fsuipc_server.h"

#include "fsuipc/offset_memory.h"

namespace lab {
namespace {

std::vector<uint8_t> littleEndian(uint32_t value, size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  return bytes;
}

}  // namespace

FsuipcServer::FsuipcServer() : memory_(std::make_unique<fsuipc::OffsetMemory>()) {
  memory_->write(kFsuipcVersionOffset, littleEndian(kInitialFsuipcVersion, 4));
  memory_->write(kSimulatorVersionOffset, littleEndian(kInitialSimulatorVersion, 4));
}

FsuipcServer::~FsuipcServer() { close(); }

bool FsuipcServer::open() {
  std::lock_guard lifecycle(lifecycleMutex_);
  return openWindow();
}

void FsuipcServer::close() {
  std::lock_guard lifecycle(lifecycleMutex_);
  closeWindow();
}

bool FsuipcServer::isOpen() const {
  std::lock_guard lifecycle(lifecycleMutex_);
  return static_cast<bool>(window_.handle());
}

bool FsuipcServer::openWindow() {
  if (window_.handle()) return false;
  ipcMessage_ = platform::registerWindowMessage("FsasmLib:IPC");
  if (ipcMessage_ == 0) return false;
  std::string className(windowClassOf(windowKind()));
  {
    std::lock_guard lock(mutex_);
    closing_ = false;
  }
  // Clients look the window up by class only; the title repeats it.
  return window_.create(className, className,
                        [this](const platform::WindowMessage& message) { return receive(message); });
}

void FsuipcServer::closeWindow() {
  {
    // A message held in silent mode lets go, so that the window's thread ends.
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  window_.destroy();
}

FsuipcServer::WindowKind FsuipcServer::windowKind() const {
  std::lock_guard lock(mutex_);
  return kind_;
}

bool FsuipcServer::setWindowKind(WindowKind kind) {
  {
    std::lock_guard lock(mutex_);
    kind_ = kind;
  }
  std::lock_guard lifecycle(lifecycleMutex_);
  if (!window_.handle()) return true;
  closeWindow();
  return openWindow();
}

FsuipcServer::AnswerMode FsuipcServer::answerMode() const {
  std::lock_guard lock(mutex_);
  return answerMode_;
}

void FsuipcServer::setAnswerMode(AnswerMode mode) {
  {
    std::lock_guard lock(mutex_);
    answerMode_ = mode;
  }
  changed_.notify_all();
}

uint32_t FsuipcServer::get(uint32_t offset, size_t size) const {
  if (size < 1 || size > 4) return 0;
  std::vector<uint8_t> value = bytes(offset, size);
  uint32_t result = 0;
  for (size_t i = 0; i < size; ++i) result |= uint32_t(value[i]) << (8 * i);
  return result;
}

std::vector<uint8_t> FsuipcServer::bytes(uint32_t offset, size_t count) const {
  std::lock_guard lock(mutex_);
  return memory_->read(offset, count);
}

void FsuipcServer::set(uint32_t offset, size_t size, uint32_t value) {
  if (size < 1 || size > 4) return;
  std::lock_guard lock(mutex_);
  memory_->write(offset, littleEndian(value, size));
}

std::optional<uint16_t> FsuipcServer::clientLibraryVersion() const {
  std::lock_guard lock(mutex_);
  return clientLibraryVersion_;
}

std::vector<FsuipcWrite> FsuipcServer::writes() const {
  std::lock_guard lock(mutex_);
  return writes_;
}

void FsuipcServer::clearWrites() {
  std::lock_guard lock(mutex_);
  writes_.clear();
}

size_t FsuipcServer::exchanges() const {
  std::lock_guard lock(mutex_);
  return exchanges_;
}

std::vector<std::string> FsuipcServer::areaNames() const {
  std::lock_guard lock(mutex_);
  return areaNames_;
}

bool FsuipcServer::waitUntil(const std::function<bool(const std::vector<FsuipcWrite>&)>& condition,
                             std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return condition(writes_); });
}

}  // namespace lab
