#include "lab/fsuipc_commands.h"

#include "json_writer.h"

#include <charconv>
#include <cstdio>

namespace lab::control {
namespace {

using Kind = FsuipcServer::WindowKind;
using Mode = FsuipcServer::AnswerMode;

std::string hex(uint64_t value, int width) {
  char text[24];
  std::snprintf(text, sizeof text, "%0*llX", width, static_cast<unsigned long long>(value));
  return text;
}

std::string hexBytes(const std::vector<uint8_t>& bytes, const char* separator) {
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i) text += (i ? separator : "") + hex(bytes[i], 2);
  return text;
}

Reply usage(const std::string& why) { return {kBadUsage, "kestrix-lab: " + why + "\n"}; }

constexpr char kOffsetUsage[] = "OFFSET is 1 to 4 hex digits (3304 or 0x3304)";
constexpr char kRangeUsage[] = "OFFSET and SIZE reach past FSUIPC's last offset, FFFF";

// 1 to 4 hex digits, with or without 0x: FSUIPC's offsets are 16 bits.
std::optional<uint32_t> parseOffset(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  uint32_t offset = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), offset, 16);
  if (text.empty() || text.size() > 4 || error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return offset;
}

bool withinOffsets(uint32_t offset, size_t size) { return offset + size <= 0x10000; }

std::optional<size_t> parseSize(std::string_view text) {
  if (text.size() != 1 || text[0] < '1' || text[0] > '4') return std::nullopt;
  return static_cast<size_t>(text[0] - '0');
}

// Decimal (negative ones in two's complement) or 0x-hex, fitting in size bytes.
std::optional<uint32_t> parseValue(std::string_view text, size_t size) {
  const int64_t top = int64_t(1) << (8 * size);
  int64_t value = 0;
  bool isHex = text.starts_with("0x") || text.starts_with("0X");
  if (isHex) text.remove_prefix(2);
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, isHex ? 16 : 10);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (isHex && text.starts_with('-')) return std::nullopt;
  if (value < -(top / 2) || value >= top) return std::nullopt;
  return static_cast<uint32_t>(value < 0 ? value + top : value);
}

std::string windowName(const FsuipcServer& server) {
  return server.isOpen() ? std::string(windowClassOf(server.windowKind())) : "off";
}

// `fsuipc writes [--json]`: every logged write, oldest first.
Reply writes(FsuipcServer& server, const MatchedCommand& command) {
  std::vector<FsuipcWrite> logged = server.writes();
  if (command.json) {
    JsonWriter json;
    json.beginArray();
    for (const FsuipcWrite& write : logged) {
      json.beginObject()
          .key("offset").value(hex(write.offset, 4))
          .key("size").value(uint64_t(write.bytes.size()))
          .key("bytes").value(hexBytes(write.bytes, ""))
          .key("exchange").value(uint64_t(write.exchange))
          .key("atUs").value(microsecondsOf(write.at))
          .endObject();
    }
    return {kOk, json.endArray().text()};
  }
  std::string text;
  for (const FsuipcWrite& write : logged) {
    text += hex(write.offset, 4) + " " + std::to_string(write.bytes.size());
    if (!write.bytes.empty()) text += " " + hexBytes(write.bytes, " ");
    text += "\n";
  }
  return {kOk, text};
}

// `fsuipc get OFFSET SIZE [--json]`: "3304 4 = 0x49990000 (1234763776)".
Reply get(FsuipcServer& server, const MatchedCommand& command) {
  auto offset = parseOffset(command.arguments[0]);
  if (!offset) return usage(kOffsetUsage);
  auto size = parseSize(command.arguments[1]);
  if (!size) return usage("SIZE is 1, 2, 3 or 4 bytes");
  if (!withinOffsets(*offset, *size)) return usage(kRangeUsage);
  uint32_t value = server.get(*offset, *size);
  if (command.json) {
    return {kOk, JsonWriter()
                     .beginObject()
                     .key("offset").value(hex(*offset, 4))
                     .key("size").value(uint64_t(*size))
                     .key("value").value(uint64_t(value))
                     .key("hex").value(hex(value, int(2 * *size)))
                     .endObject()
                     .text()};
  }
  return {kOk, hex(*offset, 4) + " " + std::to_string(*size) + " = 0x" + hex(value, int(2 * *size)) +
                   " (" + std::to_string(value) + ")\n"};
}

// `fsuipc set OFFSET SIZE VALUE`.
Reply set(FsuipcServer& server, const MatchedCommand& command) {
  auto offset = parseOffset(command.arguments[0]);
  if (!offset) return usage(kOffsetUsage);
  auto size = parseSize(command.arguments[1]);
  if (!size) return usage("SIZE is 1, 2, 3 or 4 bytes");
  if (!withinOffsets(*offset, *size)) return usage(kRangeUsage);
  auto value = parseValue(command.arguments[2], *size);
  if (!value)
    return usage("VALUE is a decimal number (negative too) or 0x and hex digits that fits in " +
                 std::to_string(*size) + (*size == 1 ? " byte, not \"" : " bytes, not \"") +
                 command.arguments[2] + "\"");
  server.set(*offset, *size, *value);
  return {kOk, hex(*offset, 4) + " " + std::to_string(*size) + " = 0x" +
                   hex(*value, int(2 * *size)) + " (" + std::to_string(*value) + ")\n"};
}

Reply answer(FsuipcServer& server, const MatchedCommand& command) {
  auto mode = answerModeNamed(command.arguments[0]);
  if (!mode) return usage("MODE is normal, bad, silent or garbage");
  server.setAnswerMode(*mode);
  return {kOk, "answering " + std::string(nameOf(*mode)) + "\n"};
}

Reply window(FsuipcServer& server, const MatchedCommand& command) {
  const std::string& word = command.arguments[0];
  if (word == "off" || word == "OFF") {
    server.close();
  } else {
    auto kind = windowKindNamed(word);
    if (!kind) return usage("KIND is uipcmain, fs98main or off");
    if (!server.setWindowKind(*kind) || (!server.isOpen() && !server.open()))
      return {kNotRunning, "kestrix-lab: the FSUIPC server's window cannot be opened\n"};
  }
  return {kOk, "fsuipc window " + windowName(server) + "\n"};
}

// `fsuipc status [--json]`: the window, the answer mode and what came in.
Reply status(FsuipcServer& server, const MatchedCommand& command) {
  std::optional<uint16_t> library = server.clientLibraryVersion();
  std::string window = windowName(server);
  if (command.json) {
    JsonWriter json;
    json.beginObject()
        .key("window").value(server.isOpen() ? nameOf(server.windowKind()) : "off")
        .key("answer").value(nameOf(server.answerMode()))
        .key("exchanges").value(uint64_t(server.exchanges()))
        .key("areas").value(server.areaNames())
        .key("clientLibraryVersion")
        .value(library ? std::optional<uint32_t>(*library) : std::nullopt);
    return {kOk, json.endObject().text()};
  }
  return {kOk, "window " + window + "\nanswer " + std::string(nameOf(server.answerMode())) +
                   "\nexchanges " + std::to_string(server.exchanges()) +
                   "\nclient library version " +
                   (library ? std::to_string(*library) : std::string("none")) + "\n"};
}

}  // namespace

ControlServer::Handler fsuipcCommands(FsuipcServer& server) {
  return [&server](const MatchedCommand& command) -> Reply {
    const std::string_view form = command.form;
    if (form == "fsuipc writes [--json]") return writes(server, command);
    if (form == "fsuipc get OFFSET SIZE [--json]") return get(server, command);
    if (form == "fsuipc set OFFSET SIZE VALUE") return set(server, command);
    if (form == "fsuipc answer MODE") return answer(server, command);
    if (form == "fsuipc window KIND") return window(server, command);
    if (form == "fsuipc clear") {
      server.clearWrites();
      return {kOk, "cleared the fsuipc writes\n"};
    }
    if (form == "fsuipc status [--json]") return status(server, command);
    return {kBadUsage, "kestrix-lab: unknown fsuipc command\n"};
  };
}

}  // namespace lab::control
