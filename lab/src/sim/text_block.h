#pragma once
// The data block of a Text request: a print text and its NUL, or a menu
// "title\0prompt\0item1\0...itemN\0". Clients build these by hand, so every
// block is checked before the lab believes it.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lab::sim {

constexpr uint32_t kTextTypeMenu = 0x200;

enum class TextKind { Scroll, Print, Menu, Unknown };
TextKind textKindOf(uint32_t textType);

// The text up to its NUL; nothing when the block has no NUL.
std::optional<std::string> parsePrintText(std::span<const uint8_t> block);

struct MenuBlock {
  std::string title;
  std::string prompt;
  std::vector<std::string> items;
};
// Nothing unless the block is a title and a prompt, then any number of
// items, each string followed by its NUL and nothing after the last.
std::optional<MenuBlock> parseMenuBlock(std::span<const uint8_t> block);

}  // namespace lab::sim
