#include <algorithm>
#include <cstdio>

#include "platform/version_info.h"
#include "utf16.h"
#include "version_block_layout.h"

namespace platform {
namespace {

using namespace version_block;

// VS_FIXEDFILEINFO fields other than the signature and the versions.
constexpr uint32_t kFixedInfoLayoutVersion = 0x00010000;
constexpr uint32_t kAllFileFlags = 0x3F;
constexpr uint32_t kOsWindows32 = 0x00040004;  // VOS_NT_WINDOWS32
constexpr uint32_t kApplicationFile = 1;       // VFT_APP

class BlockWriter {
 public:
  // Starts a node at the next 32-bit boundary and returns where it begins.
  size_t openNode(const std::u16string& key, uint16_t type, uint16_t valueLength) {
    pad();
    const size_t begin = bytes_.size();
    put16(0);  // wLength, set by closeNode
    put16(valueLength);
    put16(type);
    for (char16_t c : key) put16(c);
    put16(0);
    pad();
    return begin;
  }

  void closeNode(size_t begin) {
    const size_t length = bytes_.size() - begin;
    if (length > 0xFFFF) tooLong_ = true;
    bytes_[begin] = static_cast<uint8_t>(length & 0xFF);
    bytes_[begin + 1] = static_cast<uint8_t>((length >> 8) & 0xFF);
  }

  void put16(uint16_t value) {
    bytes_.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes_.push_back(static_cast<uint8_t>(value >> 8));
  }

  void put32(uint32_t value) {
    put16(static_cast<uint16_t>(value & 0xFFFF));
    put16(static_cast<uint16_t>(value >> 16));
  }

  void pad() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }

  // Empty when a length does not fit its 16-bit field.
  std::vector<uint8_t> finish() { return tooLong_ ? std::vector<uint8_t>{} : std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
  bool tooLong_ = false;
};

uint32_t highLow(uint16_t high, uint16_t low) { return (uint32_t{high} << 16) | low; }

void putFixedFileInfo(BlockWriter& out, const uint16_t (&version)[4]) {
  out.put32(kFixedFileInfoSignature);
  out.put32(kFixedInfoLayoutVersion);
  for (int twice = 0; twice < 2; ++twice) {  // file version, then product version
    out.put32(highLow(version[0], version[1]));
    out.put32(highLow(version[2], version[3]));
  }
  out.put32(kAllFileFlags);
  out.put32(0);  // no flags set
  out.put32(kOsWindows32);
  out.put32(kApplicationFile);
  out.put32(0);  // subtype
  out.put32(0);  // date, high
  out.put32(0);  // date, low
}

std::u16string tableKey(const VersionStringTable& table) {
  char key[9];
  std::snprintf(key, sizeof key, "%04x%04x", table.languageId, table.codePage);
  return asciiToUtf16(key);
}

void putString(BlockWriter& out, const std::string& name, const std::string& value) {
  std::u16string text = utf8ToUtf16(value);
  // The length counts the terminator, as the resource compiler writes it.
  const size_t node = out.openNode(utf8ToUtf16(name), kTextNode,
                                   static_cast<uint16_t>(std::min<size_t>(text.size() + 1, 0xFFFF)));
  for (char16_t c : text) out.put16(c);
  out.put16(0);
  out.closeNode(node);
}

void putStringFileInfo(BlockWriter& out, const std::vector<VersionStringTable>& tables) {
  const size_t info = out.openNode(asciiToUtf16(kStringFileInfoKey), kTextNode, 0);
  for (const VersionStringTable& table : tables) {
    const size_t tableNode = out.openNode(tableKey(table), kTextNode, 0);
    for (const auto& [name, value] : table.strings) putString(out, name, value);
    out.closeNode(tableNode);
  }
  out.closeNode(info);
}

void putVarFileInfo(BlockWriter& out,
                    const std::vector<std::pair<uint16_t, uint16_t>>& translations) {
  const size_t info = out.openNode(asciiToUtf16(kVarFileInfoKey), kTextNode, 0);
  const size_t var = out.openNode(asciiToUtf16(kTranslationKey), kBinaryNode,
                                  static_cast<uint16_t>(std::min<size_t>(translations.size() * 4, 0xFFFF)));
  for (const auto& [language, codePage] : translations) {
    out.put16(language);
    out.put16(codePage);
  }
  out.closeNode(var);
  out.closeNode(info);
}

}  // namespace

std::vector<uint8_t> buildVersionBlock(const VersionDescription& description) {
  std::vector<std::pair<uint16_t, uint16_t>> translations = description.translations;
  if (translations.empty())
    for (const VersionStringTable& table : description.tables)
      translations.emplace_back(table.languageId, table.codePage);

  BlockWriter out;
  const size_t root = out.openNode(asciiToUtf16(kRootKey), kBinaryNode, kFixedFileInfoSize);
  putFixedFileInfo(out, description.fileVersion);
  if (!description.tables.empty()) putStringFileInfo(out, description.tables);
  if (!translations.empty()) putVarFileInfo(out, translations);
  out.closeNode(root);
  return out.finish();
}

}  // namespace platform
