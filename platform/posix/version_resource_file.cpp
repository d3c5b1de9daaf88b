#include <algorithm>
#include <fstream>
#include <functional>

#include "platform/version_info.h"
#include "utf16.h"
#include "version_block_layout.h"

// The version block of any file, found by its key: our programs embed it as
// data, since an ELF file has no resource section.
namespace platform {
namespace {

using namespace version_block;

// Whether a block starts at `start` of the file, judged by the header and the
// value that must surround its key; the length of the block, if so.
std::optional<size_t> blockLengthAt(const std::vector<uint8_t>& file, size_t start,
                                    size_t keyBytes) {
  const uint16_t length = read16(file.data() + start);
  const uint16_t valueLength = read16(file.data() + start + 2);
  const uint16_t type = read16(file.data() + start + 4);
  const size_t keyEnd = start + kNodeHeaderSize + keyBytes + 2;
  const size_t valueBegin = start + alignedTo32Bits(keyEnd - start);
  if (type != kBinaryNode || start + length > file.size()) return std::nullopt;
  if (read16(file.data() + keyEnd - 2) != 0) return std::nullopt;
  if (valueLength == 0) {
    if (length < valueBegin - start) return std::nullopt;
  } else if (valueLength == kFixedFileInfoSize) {
    if (length < valueBegin - start + kFixedFileInfoSize) return std::nullopt;
    if (read32(file.data() + valueBegin) != kFixedFileInfoSignature) return std::nullopt;
  } else {
    return std::nullopt;
  }
  return length;
}

// A program file is read a window at a time, not whole (the driver's own
// file is 14 MB, and the version is looked up at start and for every About).
// Each window begins with the last kCarry bytes of the one before, so a
// block that straddles two windows is whole in the second: a block is at
// most 65535 bytes (its length is 16 bits).
constexpr size_t kWindowBytes = 1 << 20;
constexpr size_t kCarry = 0x10000 + 64;

}  // namespace

std::optional<std::vector<uint8_t>> readVersionResource(const std::string& filePath) {
  std::ifstream in(filePath, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<uint8_t> pattern;
  for (char16_t c : asciiToUtf16(kRootKey)) {
    pattern.push_back(static_cast<uint8_t>(c & 0xFF));
    pattern.push_back(static_cast<uint8_t>(c >> 8));
  }
  const std::boyer_moore_horspool_searcher searcher(pattern.begin(), pattern.end());
  std::vector<uint8_t> window;
  for (;;) {
    const size_t carried = window.size();
    window.resize(carried + kWindowBytes);
    in.read(reinterpret_cast<char*>(window.data() + carried), kWindowBytes);
    if (in.bad()) return std::nullopt;
    window.resize(carried + static_cast<size_t>(in.gcount()));
    const bool last = !in;
    // Keys this near the end are looked at again in the next window, where
    // their whole block fits.
    const size_t lookedAt = last || window.size() < kCarry ? window.size()
                                                            : window.size() - kCarry + kNodeHeaderSize;
    for (auto hit = std::search(window.begin(), window.end(), searcher);
         hit != window.end() && static_cast<size_t>(hit - window.begin()) < lookedAt;
         hit = std::search(hit + 1, window.end(), searcher)) {
      const auto keyAt = static_cast<size_t>(hit - window.begin());
      // Room for the header before the key and the terminator after it.
      if (keyAt < kNodeHeaderSize || keyAt + pattern.size() + 2 > window.size()) continue;
      const size_t start = keyAt - kNodeHeaderSize;
      if (auto length = blockLengthAt(window, start, pattern.size()))
        return std::vector<uint8_t>(window.begin() + start, window.begin() + start + *length);
    }
    if (last) return std::nullopt;
    if (window.size() > kCarry) window.erase(window.begin(), window.end() - kCarry);
  }
}

}  // namespace platform
