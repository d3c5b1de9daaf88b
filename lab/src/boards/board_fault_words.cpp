#include "boards/board_fault_words.h"

#include <charconv>

namespace lab::boards {
namespace {

constexpr int kLongestReplyDelayMs = 60000;
constexpr size_t kMostReportBytes = 4096;  // what the rack takes in one packet
constexpr unsigned kLongestReport = 64;    // what a reader's slot holds

std::optional<bool> parseSwitch(std::string_view text) {
  if (text == "on") return true;
  if (text == "off") return false;
  return std::nullopt;
}

std::optional<unsigned> parseDecimal(std::string_view text) {
  unsigned value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return value;
}

struct SwitchFault {
  std::string_view name;
  bool BoardFaults::*flag;
};
constexpr SwitchFault kSwitchFaults[] = {
    {"stall-writes", &BoardFaults::stallWrites},
    {"drop-replies", &BoardFaults::dropReplies},
    {"iic-error", &BoardFaults::iicError},
    {"partial-keys", &BoardFaults::partialKeyReports},
};

}  // namespace

std::optional<std::string> setFault(BoardFaults& faults, std::string_view name,
                                    std::string_view value) {
  for (const SwitchFault& fault : kSwitchFaults) {
    if (name != fault.name) continue;
    auto on = parseSwitch(value);
    if (!on) return std::string(name) + " is on or off";
    faults.*fault.flag = *on;
    return std::nullopt;
  }
  if (name == "reply-delay") {
    auto ms = parseDecimal(value);
    if (!ms || *ms > kLongestReplyDelayMs)
      return "reply-delay is milliseconds from 0 to " + std::to_string(kLongestReplyDelayMs);
    faults.replyDelayMs = static_cast<int>(*ms);
    return std::nullopt;
  }
  return "FAULT is stall-writes, drop-replies, iic-error, partial-keys or reply-delay";
}

std::vector<std::string> faultWords(const BoardFaults& faults) {
  std::vector<std::string> words;
  for (const SwitchFault& fault : kSwitchFaults)
    if (faults.*fault.flag) words.emplace_back(fault.name);
  if (faults.replyDelayMs > 0) words.push_back("reply-delay " + std::to_string(faults.replyDelayMs));
  return words;
}

std::optional<std::vector<uint8_t>> parseReportBytes(std::string_view text) {
  if (text.empty() || text.size() % 2 != 0 || text.size() / 2 > kMostReportBytes)
    return std::nullopt;
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < text.size(); i += 2) {
    uint8_t byte = 0;
    auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, byte, 16);
    if (error != std::errc() || end != text.data() + i + 2) return std::nullopt;
    bytes.push_back(byte);
  }
  return bytes;
}

std::optional<BoardSetup::InterfaceOrder> parseInterfaceOrder(std::string_view text) {
  if (text == "pin-first") return BoardSetup::InterfaceOrder::PinFirst;
  if (text == "special-first") return BoardSetup::InterfaceOrder::SpecialFirst;
  return std::nullopt;
}

std::optional<uint16_t> parseReportLength(std::string_view text) {
  auto length = parseDecimal(text);
  if (!length || *length < 1 || *length > kLongestReport) return std::nullopt;
  return static_cast<uint16_t>(*length);
}

}  // namespace lab::boards
