#pragma once
#include <platform/named_shared_memory.h>
#include <platform/window_messages.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fsuipc_error.h"

// The bridge's client of FSUIPC (or of WideClient, which relays to it on a
// networked computer). Requests are packed into a named shared area of
// 32768 bytes; one blocking window message hands the whole batch to the
// server, which answers reads in place and applies writes.
//
// Callers queue any number of requests, then call process() once; every
// process() empties the queue, whether it succeeds or not. Every operation
// leaves its result in lastError(). Main thread only: there is no locking.
class FsuipcLink {
 public:
  static constexpr size_t kAreaSize = 0x8000;
  // The part of the area requests may use, the closing zero word included.
  static constexpr size_t kUsableSize = 0x7F00;
  static constexpr uint16_t kLibraryVersion = 1004;

  enum class ServerKind { None, Fsuipc, WideClient };

  FsuipcLink() = default;
  ~FsuipcLink() { close(); }
  FsuipcLink(const FsuipcLink&) = delete;
  FsuipcLink& operator=(const FsuipcLink&) = delete;

  // Finds the server, sets up the area and checks both sides' versions.
  bool open();
  // A 4-byte read whose answer lands in *destination after the next
  // successful process(). The variable must outlive that call.
  FsuipcError queueRead(uint32_t offset, uint32_t* destination);
  // A write of size bytes, copied now.
  FsuipcError queueWrite(uint32_t offset, uint32_t size, const void* bytes);
  // One exchange with the server for everything queued since the last one.
  FsuipcError process();
  // Releases everything; safe when closed. The last error stays.
  void close();

  bool isOpen() const { return open_ && area_ != nullptr; }
  FsuipcError lastError() const { return lastError_; }
  std::string errorText() const { return fsuipcErrorText(lastError_); }
  ServerKind serverKind() const { return serverKind_; }
  uint32_t fsuipcVersion() const { return fsuipcVersion_; }
  uint32_t simulatorVersion() const { return simulatorVersion_; }
  // The area's name while open ("FsasmLib:IPC:<pid>:<attempt>", hexadecimal).
  const std::string& areaName() const { return areaName_; }

 private:
  FsuipcError fail(FsuipcError error);
  FsuipcError failAndClose(FsuipcError error);
  bool handshake();
  bool copyAnswers();
  void append(const void* bytes, size_t size);
  void appendWord(uint32_t value) { append(&value, sizeof value); }

  bool open_ = false;
  ServerKind serverKind_ = ServerKind::None;
  platform::WindowHandle serverWindow_;
  uint32_t messageId_ = 0;
  uint16_t atom_ = 0;
  std::unique_ptr<platform::NamedSharedMemory> area_;
  // The requests as this process builds them, copied into the shared area
  // for each exchange and read back from it afterwards.
  std::vector<uint8_t> view_;
  size_t next_ = 0;  // bytes of view_ used by queued requests
  // Where each queued read's answer goes; a read record carries its index
  // plus 1, so the answer never lands anywhere the client did not name.
  std::vector<uint32_t*> readDestinations_;
  std::string areaName_;
  uint32_t fsuipcVersion_ = 0;
  uint32_t simulatorVersion_ = 0;
  FsuipcError lastError_ = FsuipcError::Okay;

  // Counts every open that got past the message registration, for the whole
  // process, so that no two areas of one process share a name.
  static uint32_t attemptCounter_;
};
