#include "text_block.h"

#include <algorithm>

namespace lab::sim {

TextKind textKindOf(uint32_t textType) {
  if (textType <= 7) return TextKind::Scroll;
  if (textType >= 0x100 && textType <= 0x107) return TextKind::Print;
  if (textType == kTextTypeMenu) return TextKind::Menu;
  return TextKind::Unknown;
}

std::optional<std::string> parsePrintText(std::span<const uint8_t> block) {
  auto end = std::find(block.begin(), block.end(), uint8_t{0});
  if (end == block.end()) return std::nullopt;
  return std::string(block.begin(), end);
}

std::optional<MenuBlock> parseMenuBlock(std::span<const uint8_t> block) {
  if (block.empty() || block.back() != 0) return std::nullopt;
  std::vector<std::string> strings;
  for (auto begin = block.begin(); begin != block.end();) {
    auto end = std::find(begin, block.end(), uint8_t{0});
    strings.emplace_back(begin, end);
    begin = end + 1;
  }
  if (strings.size() < 2) return std::nullopt;
  MenuBlock menu{strings[0], strings[1], {}};
  menu.items.assign(strings.begin() + 2, strings.end());
  return menu;
}

}  // namespace lab::sim
