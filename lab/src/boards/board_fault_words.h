#pragma once
// How a person writes a board's faults and odd facts in commands:
// `board fault SERIAL FAULT VALUE`, `board send SERIAL INTERFACE BYTES` and
// the odd-board options of `board add`.
#include "lab/boards.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lab::boards {

// Sets one fault: stall-writes, drop-replies, iic-error, partial-keys (on or
// off), reply-delay (milliseconds, 0-60000). The reason when the fault or
// its value is unknown.
std::optional<std::string> setFault(BoardFaults& faults, std::string_view name,
                                    std::string_view value);
// The faults that are set, as a person writes them ("stall-writes",
// "reply-delay 500"); none for a sound board.
std::vector<std::string> faultWords(const BoardFaults& faults);

// Hex digits, two per byte, 1 to 4096 bytes ("0302DEAD").
std::optional<std::vector<uint8_t>> parseReportBytes(std::string_view text);
// pin-first or special-first.
std::optional<BoardSetup::InterfaceOrder> parseInterfaceOrder(std::string_view text);
// A report length in bytes, 1-64.
std::optional<uint16_t> parseReportLength(std::string_view text);

}  // namespace lab::boards
