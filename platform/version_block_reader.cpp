#include <algorithm>

#include "platform/version_info.h"
#include "utf16.h"
#include "version_block_layout.h"

namespace platform {
namespace {

using namespace version_block;

// One node of a block, with every offset checked to lie inside its parent.
struct Node {
  size_t begin = 0;
  size_t end = 0;  // begin + wLength
  uint16_t type = kBinaryNode;
  std::u16string key;
  size_t valueBegin = 0;
  size_t valueEnd = 0;
  size_t childrenBegin = 0;
};

std::optional<Node> readNode(const std::vector<uint8_t>& block, size_t at, size_t limit) {
  if (at + kNodeHeaderSize > limit) return std::nullopt;
  const uint8_t* bytes = block.data();
  const uint16_t length = read16(bytes + at);
  if (length < kNodeHeaderSize || at + length > limit) return std::nullopt;
  Node node;
  node.begin = at;
  node.end = at + length;
  const uint16_t valueLength = read16(bytes + at + 2);
  node.type = read16(bytes + at + 4);

  size_t cursor = at + kNodeHeaderSize;
  for (;;) {
    if (cursor + 2 > node.end) return std::nullopt;  // key without terminator
    char16_t c = read16(bytes + cursor);
    cursor += 2;
    if (c == 0) break;
    node.key += c;
  }
  const size_t valueBytes = node.type == kTextNode ? size_t{valueLength} * 2 : valueLength;
  // Some writers count a text value in bytes; a value never runs past its node.
  node.valueBegin = std::min(alignedTo32Bits(cursor), node.end);
  node.valueEnd = std::min(node.valueBegin + valueBytes, node.end);
  node.childrenBegin = alignedTo32Bits(node.valueEnd);
  return node;
}

char16_t asciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c; }

// Keys compare without regard to letter case, as VerQueryValue does.
bool sameKey(const std::u16string& a, const std::u16string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
           return asciiLower(x) == asciiLower(y);
         });
}

std::optional<Node> findChild(const std::vector<uint8_t>& block, const Node& parent,
                              const std::u16string& key) {
  size_t at = parent.childrenBegin;
  while (at + kNodeHeaderSize <= parent.end) {
    auto child = readNode(block, at, parent.end);
    if (!child) return std::nullopt;
    if (sameKey(child->key, key)) return child;
    at = alignedTo32Bits(child->end);
  }
  return std::nullopt;
}

std::vector<std::u16string> splitPath(const std::string& subBlock) {
  std::vector<std::u16string> parts;
  size_t begin = 0;
  while (begin <= subBlock.size()) {
    size_t slash = std::min(subBlock.find('\\', begin), subBlock.size());
    if (slash > begin) parts.push_back(utf8ToUtf16(subBlock.substr(begin, slash - begin)));
    begin = slash + 1;
  }
  return parts;
}

std::vector<uint8_t> nodeValue(const std::vector<uint8_t>& block, const Node& node) {
  if (node.type != kTextNode)
    return {block.begin() + node.valueBegin, block.begin() + node.valueEnd};
  std::u16string text;
  for (size_t at = node.valueBegin; at + 2 <= node.valueEnd; at += 2) {
    char16_t c = read16(block.data() + at);
    if (c == 0) break;
    text += c;
  }
  std::string utf8 = utf16ToUtf8(text);
  return {utf8.begin(), utf8.end()};
}

}  // namespace

std::optional<std::vector<uint8_t>> queryVersionValue(const std::vector<uint8_t>& block,
                                                      const std::string& subBlock) {
  auto node = readNode(block, 0, block.size());
  if (!node || node->key != asciiToUtf16(kRootKey)) return std::nullopt;
  const std::vector<std::u16string> path = splitPath(subBlock);
  if (path.empty()) {
    // "\" names the fixed file info, which a block may lack.
    if (node->valueEnd - node->valueBegin < kFixedFileInfoSize) return std::nullopt;
    return std::vector<uint8_t>(block.begin() + node->valueBegin,
                                block.begin() + node->valueBegin + kFixedFileInfoSize);
  }
  for (const std::u16string& key : path) {
    node = findChild(block, *node, key);
    if (!node) return std::nullopt;
  }
  return nodeValue(block, *node);
}

}  // namespace platform
