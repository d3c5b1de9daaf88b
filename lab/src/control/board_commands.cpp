#include "lab/board_commands.h"

#include "boards/board_fault_words.h"
#include "boards/board_words.h"
#include "json_writer.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <sstream>

namespace lab::control {
namespace {

using Command = Reply (*)(BoardRack&, const MatchedCommand&);

constexpr std::string_view kAddForm =
    "board add SERIAL --model MODEL [--variant N] [--vendor VID] [--product PID] "
    "[--order ORDER] [--special-input LENGTH] [--special-output LENGTH]";
using boards::modelText;

std::string hex(unsigned value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", width, value);
  return text;
}

Reply noBoard(const std::string& serial) {
  return {kBadUsage, "kestrix-lab: no board \"" + serial + "\" is plugged\n"};
}

std::optional<BoardSetup> setupNamed(BoardRack& rack, const std::string& serial) {
  for (const BoardSetup& setup : rack.boards())
    if (setup.serial == serial) return setup;
  return std::nullopt;
}

// "model 3401, variant 2, VID 1FD1, PID 03E8", and what is odd about the board.
std::string describe(const BoardSetup& setup) {
  std::string text = "model " + modelText(setup.model()) + ", variant " +
                     std::to_string(setup.variant()) + ", VID " + hex(setup.vendorId, 4) +
                     ", PID " + hex(setup.productId, 4);
  if (setup.specialInputLength != 8 || setup.specialOutputLength != 8)
    text += ", special-mode reports " + std::to_string(setup.specialInputLength) + " in, " +
            std::to_string(setup.specialOutputLength) + " out";
  if (setup.interfaceOrder == BoardSetup::InterfaceOrder::SpecialFirst)
    text += ", special-mode interface first";
  return text;
}

std::string joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : ", ") + word;
  return text;
}

std::string numbers(const std::vector<int>& list) {
  std::string text;
  for (int n : list) text += (text.empty() ? "" : " ") + std::to_string(n);
  return text;
}

// 1-128, in decimal.
std::optional<int> parseKey(const std::string& text) {
  int key = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), key);
  if (error != std::errc() || end != text.data() + text.size() || key < 1 || key > kKeyCount)
    return std::nullopt;
  return key;
}

int keyCount(uint8_t keyMode) { return keyMode == 1 ? 64 : keyMode == 2 ? 128 : 0; }

Reply add(BoardRack& rack, const MatchedCommand& command) {
  WorldBoard board{command.arguments[0]};
  if (!boards::isSerial(board.serial))
    return {kBadUsage,
            "kestrix-lab: a board's serial number is 1 to 8 characters without blanks\n"};
  if (!boards::parseModel(*command.option("--model"), board))
    return {kBadUsage, "kestrix-lab: --model is 4 hex digits (3401) or blank\n"};
  if (auto text = command.option("--variant")) {
    auto variant = boards::parseVariant(*text);
    if (!variant) return {kBadUsage, "kestrix-lab: --variant is a number from 0 to 255\n"};
    board.variant = *variant;
  }
  for (auto [option, id] :
       {std::pair{"--vendor", &board.vendorId}, {"--product", &board.productId}}) {
    if (auto text = command.option(option)) {
      auto parsed = boards::parseHexId(*text);
      if (!parsed)
        return {kBadUsage, "kestrix-lab: " + std::string(option) + " is 1 to 4 hex digits\n"};
      *id = *parsed;
    }
  }
  BoardSetup setup = setupOf(board);
  if (auto text = command.option("--order")) {
    auto order = boards::parseInterfaceOrder(*text);
    if (!order) return {kBadUsage, "kestrix-lab: --order is pin-first or special-first\n"};
    setup.interfaceOrder = *order;
  }
  for (auto [option, length] : {std::pair{"--special-input", &setup.specialInputLength},
                                {"--special-output", &setup.specialOutputLength}}) {
    if (auto text = command.option(option)) {
      auto parsed = boards::parseReportLength(*text);
      if (!parsed)
        return {kBadUsage, "kestrix-lab: " + std::string(option) + " is a length of 1 to 64 bytes\n"};
      *length = *parsed;
    }
  }
  if (setupNamed(rack, board.serial))
    return {kBadUsage, "kestrix-lab: a board \"" + board.serial + "\" is plugged already\n"};
  if (!rack.plug(setup))
    return {kBadUsage, "kestrix-lab: board \"" + board.serial + "\" cannot be plugged\n"};
  std::string text = "added board " + board.serial + " (" + describe(setup) + ")\n";
  if (setup.interfaceOrder == BoardSetup::InterfaceOrder::SpecialFirst)
    text += "its pin interface comes with: kestrix-lab board complete " + board.serial + "\n";
  return {kOk, text};
}

Reply complete(BoardRack& rack, const MatchedCommand& command) {
  const std::string& serial = command.arguments[0];
  if (!setupNamed(rack, serial)) return noBoard(serial);
  if (!rack.completePlug(serial))
    return {kBadUsage, "kestrix-lab: board \"" + serial + "\" holds no interface back\n"};
  return {kOk, "board " + serial + " now lists its pin interface too\n"};
}

Reply fault(BoardRack& rack, const MatchedCommand& command) {
  const std::string& serial = command.arguments[0];
  auto faults = rack.faults(serial);
  if (!faults) return noBoard(serial);
  if (auto why = boards::setFault(*faults, command.arguments[1], command.arguments[2]))
    return {kBadUsage, "kestrix-lab: " + *why + "\n"};
  if (!rack.setFaults(serial, *faults)) return noBoard(serial);
  auto words = boards::faultWords(*faults);
  return {kOk, "board " + serial + " faults: " + (words.empty() ? "none" : joined(words)) + "\n"};
}

Reply send(BoardRack& rack, const MatchedCommand& command) {
  const std::string& serial = command.arguments[0];
  const std::string& interfaceText = command.arguments[1];
  auto bytes = boards::parseReportBytes(command.arguments[2]);
  if (!bytes)
    return {kBadUsage, "kestrix-lab: BYTES are hex digits, two per byte, 1 to 4096 bytes\n"};
  auto setup = setupNamed(rack, serial);
  if (!setup) return noBoard(serial);
  int interfaceNumber = interfaceText.size() == 1 ? interfaceText[0] - '0' : -1;
  if (interfaceNumber < 0 || interfaceNumber >= setup->matchingInterfaces)
    return {kBadUsage, "kestrix-lab: board \"" + serial + "\" has interfaces 0 to " +
                           std::to_string(setup->matchingInterfaces - 1) + "\n"};
  const size_t size = bytes->size();
  if (!rack.sendInputReport(serial, interfaceNumber, std::move(*bytes))) return noBoard(serial);
  return {kOk, "sent " + std::to_string(size) + " bytes to interface " +
                   std::to_string(interfaceNumber) + " of " + serial + "\n"};
}

Reply remove(BoardRack& rack, const MatchedCommand& command) {
  const std::string& serial = command.arguments[0];
  if (!rack.unplug(serial)) return noBoard(serial);
  return {kOk, "removed board " + serial + "\n"};
}

Reply changeKey(BoardRack& rack, const MatchedCommand& command, bool press) {
  const std::string& serial = command.arguments[0];
  auto key = parseKey(command.arguments[1]);
  if (!key)
    return {kBadUsage,
            "kestrix-lab: KEY is a number from 1 to " + std::to_string(kKeyCount) + "\n"};
  if (!(press ? rack.press(serial, *key) : rack.release(serial, *key))) return noBoard(serial);
  return {kOk, std::string(press ? "pressed" : "released") + " key " + std::to_string(*key) +
                   " of " + serial + "\n"};
}

Reply pressKey(BoardRack& rack, const MatchedCommand& command) {
  return changeKey(rack, command, true);
}

Reply releaseKey(BoardRack& rack, const MatchedCommand& command) {
  return changeKey(rack, command, false);
}

std::string showText(const BoardSetup& setup, const BoardView& view,
                     const std::vector<std::string>& faults) {
  std::ostringstream out;
  out << "board " << view.serial << " (" << describe(setup) << ")\n"
      << "  digits  \"" << view.digits() << "\"\n"
      << "  leds    "
      << (view.litLeds.empty() ? "none lit"
                               : std::to_string(view.litLeds.size()) + " lit: " +
                                     numbers(view.litLeds))
      << "\n"
      << "  ports   " << hex(view.ports[0], 2) << " " << hex(view.ports[1], 2) << " "
      << hex(view.ports[2], 2) << " " << hex(view.ports[3], 2) << "\n"
      << "  modes   LED matrix " << (view.ledMatrixOn ? "on" : "off") << ", keys "
      << (view.keyMode ? std::to_string(keyCount(view.keyMode)) : std::string("off"))
      << ", IIC " << (view.iicOn ? "on" : "off") << "\n"
      << "  keys    "
      << (view.pressedKeys.empty() ? "none pressed" : "pressed: " + numbers(view.pressedKeys))
      << "\n";
  if (!faults.empty()) out << "  faults  " << joined(faults) << "\n";
  return out.str();
}

std::string showJson(const BoardSetup& setup, const BoardView& view,
                     const std::vector<std::string>& faults) {
  JsonWriter json;
  json.beginObject()
      .key("serial").value(view.serial)
      .key("model").value(modelText(setup.model()))
      .key("variant").value(uint64_t{setup.variant()})
      .key("vendorId").value(uint64_t{setup.vendorId})
      .key("productId").value(uint64_t{setup.productId})
      .key("digits").value(view.digits())
      .key("positions").beginArray();
  for (int position = 1; position <= kDigitPositions; ++position)
    json.value(view.digits(position, 1));
  // The raw patterns too, for whoever draws the digits as a person sees them.
  json.endArray().key("segments").beginArray();
  for (int position = 1; position <= kDigitPositions; ++position)
    json.value(uint64_t{view.segments(position)});
  json.endArray().key("leds").beginArray();
  for (int led : view.litLeds) json.value(static_cast<uint64_t>(led));
  json.endArray().key("ports").beginArray();
  for (uint8_t port : view.ports) json.value(uint64_t{port});
  json.endArray()
      .key("ledMatrix").value(view.ledMatrixOn)
      .key("keyMode").value(uint64_t{view.keyMode})
      .key("keys").value(static_cast<uint64_t>(keyCount(view.keyMode)))
      .key("iic").value(view.iicOn)
      .key("pressedKeys").beginArray();
  for (int key : view.pressedKeys) json.value(static_cast<uint64_t>(key));
  json.endArray().key("faults").beginArray();
  for (const std::string& fault : faults) json.value(fault);
  return json.endArray().endObject().text();
}

Reply show(BoardRack& rack, const MatchedCommand& command) {
  const std::string& serial = command.arguments[0];
  auto setup = setupNamed(rack, serial);
  auto view = rack.view(serial);
  auto faults = rack.faults(serial);
  if (!setup || !view || !faults) return noBoard(serial);
  auto words = boards::faultWords(*faults);
  return {kOk, command.json ? showJson(*setup, *view, words) : showText(*setup, *view, words)};
}

Reply list(BoardRack& rack, const MatchedCommand& command) {
  auto setups = rack.boards();
  if (command.json) {
    JsonWriter json;
    json.beginArray();
    for (const BoardSetup& setup : setups)
      json.beginObject()
          .key("serial").value(setup.serial)
          .key("model").value(modelText(setup.model()))
          .key("variant").value(uint64_t{setup.variant()})
          .key("vendorId").value(uint64_t{setup.vendorId})
          .key("productId").value(uint64_t{setup.productId})
          .endObject();
    return {kOk, json.endArray().text()};
  }
  if (setups.empty()) return {kOk, "no boards\n"};
  std::string text;
  for (const BoardSetup& setup : setups) text += setup.serial + " (" + describe(setup) + ")\n";
  return {kOk, text};
}

// A report in either direction, for `board reports`.
struct LoggedReport {
  const char* direction;  // "in": the board sent it; "out": the board took it
  int interfaceNumber;
  const std::vector<uint8_t>* bytes;
  RecordTime at;
};

// Both directions in the order they happened; a request the board took
// comes before the answer it sent at the same moment.
std::vector<LoggedReport> reportsInOrder(const std::vector<OutputReport>& taken,
                                         const std::vector<InputReportRecord>& sent) {
  std::vector<LoggedReport> all;
  for (const OutputReport& r : taken) all.push_back({"out", r.interfaceNumber, &r.bytes, r.at});
  for (const InputReportRecord& r : sent) all.push_back({"in", r.interfaceNumber, &r.bytes, r.at});
  std::stable_sort(all.begin(), all.end(),
                   [](const LoggedReport& a, const LoggedReport& b) { return a.at < b.at; });
  return all;
}

std::string hexBytes(const std::vector<uint8_t>& bytes, const char* separator) {
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i) text += (i ? separator : "") + hex(bytes[i], 2);
  return text;
}

Reply reports(BoardRack& rack, const MatchedCommand& command) {
  const std::string& serial = command.arguments[0];
  if (!setupNamed(rack, serial)) return noBoard(serial);
  auto taken = rack.outputReports(serial);
  auto sent = rack.inputReports(serial);
  auto all = reportsInOrder(taken, sent);
  if (command.json) {
    JsonWriter json;
    json.beginArray();
    for (const LoggedReport& r : all)
      json.beginObject()
          .key("direction").value(r.direction)
          .key("interface").value(static_cast<uint64_t>(r.interfaceNumber))
          .key("bytes").value(hexBytes(*r.bytes, ""))
          .key("atUs").value(microsecondsOf(r.at))
          .endObject();
    return {kOk, json.endArray().text()};
  }
  std::string text;
  for (const LoggedReport& r : all)
    text += std::to_string(microsecondsOf(r.at)) + " " + r.direction + " " +
            std::to_string(r.interfaceNumber) + " " + hexBytes(*r.bytes, " ") + "\n";
  return {kOk, text};
}

const std::map<std::string_view, Command>& commands() {
  static const std::map<std::string_view, Command> table = {
      {kAddForm, add},
      {"board complete SERIAL", complete},
      {"board remove SERIAL", remove},
      {"board press SERIAL KEY", pressKey},
      {"board release SERIAL KEY", releaseKey},
      {"board show SERIAL [--json]", show},
      {"board list [--json]", list},
      {"board reports SERIAL [--json]", reports},
      {"board fault SERIAL FAULT VALUE", fault},
      {"board send SERIAL INTERFACE BYTES", send},
  };
  return table;
}

}  // namespace

ControlServer::Handler boardCommands(BoardRack& rack) {
  return [&rack](const MatchedCommand& command) -> Reply {
    auto found = commands().find(command.form);
    if (found == commands().end())
      return {kBadUsage, "kestrix-lab: \"" + std::string(command.form) + "\" is not served\n"};
    return found->second(rack, command);
  };
}

}  // namespace lab::control
