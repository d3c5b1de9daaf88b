#include <windows.h>

#include <cstring>

#include "platform/version_info.h"
#include "win32/wide_text.h"

namespace platform {

// The VERSIONINFO resource of a program file, as the system hands it out.
// The copy holds the block itself first; what the system appends after it
// is left out, so the block reads the same as one found on Linux.
std::optional<std::vector<uint8_t>> readVersionResource(const std::string& filePath) {
  const std::wstring path = win32::wide(filePath);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<uint8_t> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return std::nullopt;
  // The fixed file info is there only when the system can find it too.
  void* fixed = nullptr;
  UINT fixedLength = 0;
  if (!VerQueryValueW(block.data(), L"\\", &fixed, &fixedLength)) return std::nullopt;
  uint16_t length = 0;
  std::memcpy(&length, block.data(), sizeof length);
  if (length == 0 || length > block.size()) return std::nullopt;
  block.resize(length);
  return block;
}

}  // namespace platform
