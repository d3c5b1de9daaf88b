#pragma once
// A bare FSUIPC IPC client for tests: packs requests into a named shared
// area as a client does, sends "FsasmLib:IPC" to the server's window and
// hands back the answer and the area as the server left it. It checks
// nothing, so tests can also send areas no careful client would.
#include <platform/window_messages.h>

#include <cstdint>
#include <string>
#include <vector>

namespace labtest {

constexpr size_t kFsuipcAreaSize = 32768;

// Requests packed back to back, little-endian.
class FsuipcArea {
 public:
  FsuipcArea() : bytes_(kFsuipcAreaSize, 0) {}

  // Appends a read; returns where its record starts.
  size_t read(uint32_t offset, uint32_t count, uint32_t token = 0);
  size_t write(uint32_t offset, const std::vector<uint8_t>& data);
  // Appends any 32-bit word (an id, a count), for areas that are bad data.
  size_t word(uint32_t value);

  uint32_t wordAt(size_t at) const;
  std::vector<uint8_t> bytesAt(size_t at, size_t count) const;
  // The reception area of the read whose record starts at `at`.
  std::vector<uint8_t> received(size_t at) const { return bytesAt(at + 16, wordAt(at + 8)); }
  uint32_t receivedValue(size_t at) const;  // of a 1- to 4-byte read

  std::vector<uint8_t>& bytes() { return bytes_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t next_ = 0;
};

struct FsuipcAnswer {
  platform::SendResult sent;
  FsuipcArea area;  // as the server left it
};

// Sends the area (terminated by the zero bytes after the last request) to
// the first window of the class. areaName overrides the atom's text, to
// name a block that does not exist.
FsuipcAnswer sendFsuipcArea(const FsuipcArea& area, const std::string& windowClass = "UIPCMAIN",
                            int timeoutMs = 10000, intptr_t firstRequest = 0,
                            const std::string& areaName = "");

}  // namespace labtest
