#include "boards/board_words.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace lab {

BoardSetup setupOf(const WorldBoard& board) {
  BoardSetup setup =
      board.blank ? BoardSetup::blank(board.serial)
                  : BoardSetup::panel(board.serial, static_cast<uint8_t>(board.model >> 8),
                                      static_cast<uint8_t>(board.model & 0xFF), board.variant);
  setup.vendorId = board.vendorId;
  setup.productId = board.productId;
  return setup;
}

std::vector<WorldBoard> defaultWorldBoards() {
  WorldBoard radio{"00001001"};
  WorldBoard transponder{"00001002"};
  transponder.model = 0x3402;
  transponder.variant = 2;
  return {radio, transponder};
}

namespace boards {
namespace {

template <typename Number>
std::optional<Number> parse(std::string_view text, int base, size_t maxDigits) {
  Number value{};
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

bool isSerial(std::string_view text) {
  return !text.empty() && text.size() <= 8 &&
         std::none_of(text.begin(), text.end(),
                      [](unsigned char c) { return std::isspace(c) || std::iscntrl(c); });
}

bool parseModel(std::string_view text, WorldBoard& board) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "blank") {
    board.blank = true;
    return true;
  }
  auto model = text.size() == 4 ? parse<uint16_t>(text, 16, 4) : std::nullopt;
  if (!model) return false;
  board.blank = false;
  board.model = *model;
  return true;
}

std::optional<uint16_t> parseHexId(std::string_view text) { return parse<uint16_t>(text, 16, 4); }

std::optional<uint8_t> parseVariant(std::string_view text) {
  auto value = parse<unsigned>(text, 10, 3);
  if (!value || *value > 255) return std::nullopt;
  return static_cast<uint8_t>(*value);
}

bool isBoardSection(std::string_view sectionText) {
  return sectionText.size() > 6 && sectionText[5] == ' ' &&
         std::equal(sectionText.begin(), sectionText.begin() + 5, "board", [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

bool startBoardSection(std::string_view sectionText, bool firstBoard, WorldSettings& world,
                       std::string& why) {
  std::string_view serial = sectionText.substr(6);
  while (!serial.empty() && serial.front() == ' ') serial.remove_prefix(1);
  if (!isSerial(serial)) {
    why = "a board's serial number is 1 to 8 characters without blanks";
    return false;
  }
  if (firstBoard) world.boards.clear();
  for (const WorldBoard& board : world.boards) {
    if (board.serial == serial) {
      why = "board " + std::string(serial) + " is listed twice";
      return false;
    }
  }
  world.boards.push_back(WorldBoard{std::string(serial)});
  return true;
}

namespace {

std::string trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return std::string(text);
}

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool setOneBoardKey(const std::string& key, const std::string& value, WorldBoard& board,
                    std::string& why);

}  // namespace

bool setBoardKey(const std::string& key, const std::string& value, WorldSettings& world,
                 std::string& why) {
  // "model = 3401, variant = 2" sets both: a board is often one line.
  size_t comma = value.find(',');
  if (!setOneBoardKey(key, trimmed(std::string_view(value).substr(0, comma)), world.boards.back(),
                      why))
    return false;
  if (comma == std::string::npos) return true;
  std::string rest = value.substr(comma + 1);
  size_t equals = rest.find('=');
  if (equals == std::string::npos) {
    why = "expected key = value after the comma";
    return false;
  }
  return setBoardKey(lowered(trimmed(std::string_view(rest).substr(0, equals))),
                     trimmed(std::string_view(rest).substr(equals + 1)), world, why);
}

namespace {

bool setOneBoardKey(const std::string& key, const std::string& value, WorldBoard& board,
                    std::string& why) {
  if (key == "model") {
    if (parseModel(value, board)) return true;
    why = "model is 4 hex digits (3401) or blank";
  } else if (key == "variant") {
    if (auto variant = parseVariant(value)) {
      board.variant = *variant;
      return true;
    }
    why = "variant is a number from 0 to 255";
  } else if (key == "vendor" || key == "product") {
    if (auto id = parseHexId(value)) {
      (key == "vendor" ? board.vendorId : board.productId) = *id;
      return true;
    }
    why = key + " is 1 to 4 hex digits";
  } else {
    why = "unknown key \"" + key + "\" in [board " + board.serial + "]";
  }
  return false;
}

}  // namespace

std::string modelText(uint16_t model) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", model);
  return text;
}

}  // namespace boards
}  // namespace lab
