#pragma once
// How a person writes a board's facts, in world files and commands.
#include "lab/world_file.h"

#include <optional>
#include <string>
#include <string_view>

namespace lab::boards {

// 1-8 characters, none of them blank.
bool isSerial(std::string_view text);
// "3401" (4 hex digits) or "blank"; false when it is neither.
bool parseModel(std::string_view text, WorldBoard& board);
std::optional<uint16_t> parseHexId(std::string_view text);  // 1-4 hex digits
std::optional<uint8_t> parseVariant(std::string_view text);  // 0-255
// "3401", four hex digits.
std::string modelText(uint16_t model);

}  // namespace lab::boards

namespace lab::boards {

// World file sections "[board SERIAL]". Whether the section text (between
// the brackets) names a board section.
bool isBoardSection(std::string_view sectionText);
// Starts the section: the first board of a file replaces the default ones.
// False with a reason for a bad or repeated serial.
bool startBoardSection(std::string_view sectionText, bool firstBoard, WorldSettings& world,
                       std::string& why);
// One key of the section, for the board it started.
bool setBoardKey(const std::string& key, const std::string& value, WorldSettings& world,
                 std::string& why);

}  // namespace lab::boards
