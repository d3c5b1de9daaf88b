#include "lab/board_commands.h"

#include "boards/board_words.h"
#include "json_writer.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <sstream>

namespace lab::control {
namespace {

using Command = Reply (*)(BoardRack&, const MatchedCommand&);
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

// "model 3401, variant 2, VID 1FD1, PID 03E8"
std::string describe(const BoardSetup& setup) {
  return "model " + modelText(setup.model()) + ", variant " + std::to_string(setup.variant()) +
         ", VID " + hex(setup.vendorId, 4) + ", PID " + hex(setup.productId, 4);
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
  if (setupNamed(rack, board.serial))
    return {kBadUsage, "kestrix-lab: a board \"" + board.serial + "\" is plugged already\n"};
  BoardSetup setup = setupOf(board);
  if (!rack.plug(setup))
    return {kBadUsage, "kestrix-lab: board \"" + board.serial + "\" cannot be plugged\n"};
  return {kOk, "added board " + board.serial + " (" + describe(setup) + ")\n"};
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

std::string showText(const BoardSetup& setup, const BoardView& view) {
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
  return out.str();
}

std::string showJson(const BoardSetup& setup, const BoardView& view) {
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
  return json.endArray().endObject().text();
}

Reply show(BoardRack& rack, const MatchedCommand& command) {
  const std::string& serial = command.arguments[0];
  auto setup = setupNamed(rack, serial);
  auto view = rack.view(serial);
  if (!setup || !view) return noBoard(serial);
  return {kOk, command.json ? showJson(*setup, *view) : showText(*setup, *view)};
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

const std::map<std::string_view, Command>& commands() {
  static const std::map<std::string_view, Command> table = {
      {"board add SERIAL --model MODEL [--variant N] [--vendor VID] [--product PID]", add},
      {"board remove SERIAL", remove},
      {"board press SERIAL KEY", pressKey},
      {"board release SERIAL KEY", releaseKey},
      {"board show SERIAL [--json]", show},
      {"board list [--json]", list},
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
