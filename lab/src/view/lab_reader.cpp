#include "view/lab_reader.h"

#include "view/json_value.h"

#include <lab/control_protocol.h>

namespace lab::view {
namespace {

using control::kOk;

std::optional<JsonValue> ask(const std::string& socket, const std::vector<std::string>& words) {
  auto reply = control::sendRequest(socket, words);
  if (!reply || reply->status != kOk) return std::nullopt;
  return parseJson(reply->text);
}

RadioPair pairOf(const JsonValue& value) {
  return {value["active"].numberOr(0), value["standby"].numberOr(0)};
}

// The newest writes, newest last, as `fsuipc writes` prints them ("330A 2 EC 03").
ExtraSection fsuipcWritesSection(const JsonValue& writes) {
  ExtraSection section{"fsuipc writes", {}};
  const auto& items = writes.items;
  size_t first = items.size() > kShownTexts ? items.size() - kShownTexts : 0;
  for (size_t i = first; i < items.size(); ++i) {
    std::string line = items[i]["offset"].textOr("?") + " " +
                       std::to_string(static_cast<long>(items[i]["size"].numberOr(0)));
    std::string bytes = items[i]["bytes"].textOr("");
    for (size_t b = 0; b + 1 < bytes.size(); b += 2) line += " " + bytes.substr(b, 2);
    section.lines.push_back(line);
  }
  if (section.lines.empty()) section.lines.push_back("(none)");
  return section;
}

}  // namespace

bool parseBoardShow(const std::string& json, BoardState& board) {
  auto value = parseJson(json);
  if (!value || value->kind != JsonValue::Kind::Object) return false;
  const JsonValue& v = *value;
  board.serial = v["serial"].textOr("");
  board.model = v["model"].textOr("?");
  board.variant = static_cast<int>(v["variant"].numberOr(0));
  const auto& segments = v["segments"].items;
  for (size_t i = 0; i < board.segments.size() && i < segments.size(); ++i)
    board.segments[i] = static_cast<uint8_t>(segments[i].numberOr(0));
  board.litLeds.clear();
  for (const JsonValue& led : v["leds"].items) board.litLeds.push_back(static_cast<int>(led.numberOr(0)));
  const auto& ports = v["ports"].items;
  for (size_t i = 0; i < board.ports.size() && i < ports.size(); ++i)
    board.ports[i] = static_cast<uint8_t>(ports[i].numberOr(0));
  board.pressedKeys.clear();
  for (const JsonValue& key : v["pressedKeys"].items)
    board.pressedKeys.push_back(static_cast<int>(key.numberOr(0)));
  return !board.serial.empty();
}

bool parseRadios(const std::string& json, SimRadios& radios) {
  auto value = parseJson(json);
  if (!value || value->kind != JsonValue::Kind::Object) return false;
  const JsonValue& v = *value;
  radios.com1 = pairOf(v["com1"]);
  radios.com2 = pairOf(v["com2"]);
  radios.nav1 = pairOf(v["nav1"]);
  radios.nav2 = pairOf(v["nav2"]);
  radios.adf1 = pairOf(v["adf1"]);
  radios.adf2 = pairOf(v["adf2"]);
  radios.transponderCode = v["transponder"]["code"].textOr("?");
  radios.transponderAvailable = v["transponder"]["available"].flagOr(true);
  radios.avionicsMaster = v["avionicsMaster"].flagOr(false);
  radios.panelLight = v["panelLight"].flagOr(false);
  return true;
}

bool parseTexts(const std::string& json, std::vector<std::string>& texts) {
  auto value = parseJson(json);
  if (!value || value->kind != JsonValue::Kind::Array) return false;
  texts.clear();
  size_t first = value->items.size() > kShownTexts ? value->items.size() - kShownTexts : 0;
  for (size_t i = first; i < value->items.size(); ++i) {
    const JsonValue& text = value->items[i];
    texts.push_back(text["client"].textOr("?") + " " + text["typeName"].textOr("") + ": " +
                    text["text"].textOr(""));
  }
  return true;
}

ViewState readLab(const std::string& socket) {
  ViewState state;
  auto list = ask(socket, {"board", "list", "--json"});
  if (!list) return state;
  state.labRunning = true;
  for (const JsonValue& entry : list->items) {
    std::string serial = entry["serial"].textOr("");
    auto reply = control::sendRequest(socket, {"board", "show", serial, "--json"});
    BoardState board;
    // A board unplugged between the list and its show is simply left out.
    if (reply && reply->status == kOk && parseBoardShow(reply->text, board))
      state.boards.push_back(std::move(board));
  }
  if (auto reply = control::sendRequest(socket, {"sim", "radios", "--json"});
      reply && reply->status == kOk) {
    SimRadios radios;
    if (parseRadios(reply->text, radios)) state.radios = radios;
  }
  if (auto reply = control::sendRequest(socket, {"sim", "texts", "--json"});
      reply && reply->status == kOk)
    parseTexts(reply->text, state.texts);
  // Shown while the FSUIPC server has its window; before the peer's, which
  // is drawn last.
  if (auto status = ask(socket, {"fsuipc", "status", "--json"});
      status && (*status)["window"].textOr("off") != "off") {
    if (auto writes = ask(socket, {"fsuipc", "writes", "--json"}))
      state.extraSections.push_back(fsuipcWritesSection(*writes));
  }
  // Shown only in a world that has the peer window.
  if (auto notices = ask(socket, {"peer", "notices", "--json"})) {
    ExtraSection section{"peer notices", {}};
    const auto& items = notices->items;
    size_t first = items.size() > kShownTexts ? items.size() - kShownTexts : 0;
    for (size_t i = first; i < items.size(); ++i) section.lines.push_back(items[i].textOr("?"));
    if (section.lines.empty()) section.lines.push_back("(none)");
    state.extraSections.push_back(std::move(section));
  }
  return state;
}

std::string sendCommands(const std::string& socket,
                         const std::vector<std::vector<std::string>>& commands) {
  for (const auto& words : commands) {
    auto reply = control::sendRequest(socket, words);
    if (!reply) return "lab not running";
    if (reply->status != kOk) return reply->text;
  }
  return "";
}

}  // namespace lab::view
