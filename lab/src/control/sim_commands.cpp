#include "lab/sim_commands.h"

#include "aircraft_commands.h"
#include "json_writer.h"
#include "simconnect_names.h"

#include <cstdio>
#include <map>
#include <sstream>

namespace lab::control {
namespace {

using Command = Reply (*)(Simulator&, const MatchedCommand&);

std::string who(const std::string& name, uint32_t id) {
  return (name.empty() ? std::string("(unnamed)") : name) + " (client " + std::to_string(id) +
         ")";
}

// A text on one line: line breaks and tabs shown as \n and \t.
std::string oneLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else
      out += c;
  }
  return out;
}

std::string hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

std::string plural(size_t count, const char* thing) {
  return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

Reply flightStart(Simulator& sim, const MatchedCommand&) {
  sim.startFlight();
  return {kOk, "flight started\n"};
}

Reply flightStop(Simulator& sim, const MatchedCommand&) {
  sim.stopFlight();
  return {kOk, "flight stopped\n"};
}

size_t connectedCount(Simulator& sim) {
  size_t count = 0;
  for (const ClientInfo& client : sim.clients()) count += client.connected ? 1 : 0;
  return count;
}

Reply quit(Simulator& sim, const MatchedCommand&) {
  size_t count = connectedCount(sim);
  sim.quit();
  return {kOk, "sent QUIT to " + plural(count, "client") + "\n"};
}

Reply breakAll(Simulator& sim, const MatchedCommand&) {
  size_t count = connectedCount(sim);
  sim.breakConnections();
  return {kOk, "broke " + plural(count, "connection") + "\n"};
}

Reply refuseOn(Simulator& sim, const MatchedCommand&) {
  sim.setRefusing(true);
  return {kOk, "refusing new connections\n"};
}

Reply refuseOff(Simulator& sim, const MatchedCommand&) {
  sim.setRefusing(false);
  return {kOk, "accepting connections\n"};
}

Reply clients(Simulator& sim, const MatchedCommand& command) {
  auto list = sim.clients();
  if (command.json) {
    JsonWriter json;
    json.beginArray();
    for (const ClientInfo& c : list)
      json.beginObject()
          .key("id").value(uint64_t{c.id})
          .key("name").value(c.name)
          .key("connected").value(c.connected)
          .key("opened").value(c.opened)
          .endObject();
    return {kOk, json.endArray().text()};
  }
  if (list.empty()) return {kOk, "no clients\n"};
  std::ostringstream out;
  for (const ClientInfo& c : list)
    out << who(c.name, c.id) << ": "
        << (!c.connected ? "ended" : c.opened ? "connected" : "connected, not opened") << "\n";
  return {kOk, out.str()};
}

std::vector<TextRecord> openMenuTexts(Simulator& sim) {
  std::vector<TextRecord> open;
  for (const ClientInfo& c : sim.clients())
    if (c.connected)
      if (auto menu = sim.openMenuText(std::to_string(c.id))) open.push_back(*menu);
  return open;
}

Reply menus(Simulator& sim, const MatchedCommand& command) {
  auto items = sim.menus();
  auto open = openMenuTexts(sim);
  if (command.json) {
    JsonWriter json;
    json.beginObject().key("items").beginArray();
    for (const MenuItemInfo& m : items)
      json.beginObject()
          .key("clientId").value(uint64_t{m.clientId})
          .key("client").value(m.clientName)
          .key("text").value(m.text)
          .key("eventId").value(uint64_t{m.eventId})
          .key("data").value(uint64_t{m.data})
          .key("parentEventId").value(m.parentEventId)
          .endObject();
    json.endArray().key("menuTexts").beginArray();
    for (const TextRecord& t : open)
      json.beginObject()
          .key("clientId").value(uint64_t{t.clientId})
          .key("client").value(t.clientName)
          .key("eventId").value(uint64_t{t.eventId})
          .key("title").value(t.text)
          .key("prompt").value(t.prompt)
          .key("items").value(t.menuItems)
          .endObject();
    return {kOk, json.endArray().endObject().text()};
  }
  if (items.empty() && open.empty()) return {kOk, "no menu items\n"};
  std::ostringstream out;
  uint32_t lastClient = 0;
  for (const MenuItemInfo& m : items) {
    if (m.clientId != lastClient) out << who(m.clientName, m.clientId) << "\n";
    lastClient = m.clientId;
    out << (m.parentEventId ? "    " : "  ") << m.text << "  [id " << m.eventId << ", data "
        << m.data << "]\n";
  }
  for (const TextRecord& t : open) {
    out << who(t.clientName, t.clientId) << " menu text \"" << t.text << "\" (id " << t.eventId
        << "): " << t.prompt << "\n";
    for (size_t i = 0; i < t.menuItems.size(); ++i)
      out << "  " << i << ": " << t.menuItems[i] << "\n";
  }
  return {kOk, out.str()};
}

Reply texts(Simulator& sim, const MatchedCommand& command) {
  auto list = sim.texts();
  auto now = std::chrono::steady_clock::now();
  if (command.json) {
    JsonWriter json;
    json.beginArray();
    for (const TextRecord& t : list) {
      auto age = std::chrono::duration_cast<std::chrono::milliseconds>(now - t.shownAt);
      json.beginObject()
          .key("clientId").value(uint64_t{t.clientId})
          .key("client").value(t.clientName)
          .key("type").value(uint64_t{t.type})
          .key("typeName").value(textTypeName(t.type))
          .key("seconds").value(double{t.seconds})
          .key("eventId").value(uint64_t{t.eventId})
          .key("text").value(t.text)
          .key("prompt").value(t.prompt)
          .key("items").value(t.menuItems)
          .key("ageMs").value(static_cast<uint64_t>(age.count()))
          .endObject();
    }
    return {kOk, json.endArray().text()};
  }
  if (list.empty()) return {kOk, "no texts\n"};
  std::ostringstream out;
  for (const TextRecord& t : list) {
    out << who(t.clientName, t.clientId) << " " << textTypeName(t.type);
    if (t.menuItems.empty() && t.prompt.empty()) {
      out << " " << t.seconds << " s, id " << t.eventId << ": " << oneLine(t.text) << "\n";
      continue;
    }
    out << " id " << t.eventId << ": " << t.text << " / " << t.prompt;
    for (size_t i = 0; i < t.menuItems.size(); ++i)
      out << (i == 0 ? " / " : ", ") << i << " " << t.menuItems[i];
    out << "\n";
  }
  return {kOk, out.str()};
}

Reply events(Simulator& sim, const MatchedCommand& command) {
  auto list = sim.events();
  if (command.json) {
    JsonWriter json;
    json.beginArray();
    for (const EventRecord& e : list)
      json.beginObject()
          .key("clientId").value(uint64_t{e.clientId})
          .key("client").value(e.clientName)
          .key("name").value(e.name)
          .key("eventId").value(uint64_t{e.eventId})
          .key("data").value(uint64_t{e.data})
          .key("objectId").value(uint64_t{e.objectId})
          .key("groupId").value(uint64_t{e.groupId})
          .key("flags").value(uint64_t{e.flags})
          .key("atUs").value(microsecondsOf(e.at))
          .endObject();
    return {kOk, json.endArray().text()};
  }
  if (list.empty()) return {kOk, "no events\n"};
  std::ostringstream out;
  for (const EventRecord& e : list)
    out << who(e.clientName, e.clientId) << ": " << (e.name.empty() ? "(private)" : e.name)
        << " data " << e.data << " (" << hex(e.data) << "), id " << e.eventId << ", group "
        << e.groupId << ", flags " << hex(e.flags) << "\n";
  return {kOk, out.str()};
}

Reply dataMessages(Simulator& sim, const MatchedCommand& command) {
  auto list = sim.dataMessages();
  if (command.json) {
    JsonWriter json;
    json.beginArray();
    for (const DataMessageRecord& d : list)
      json.beginObject()
          .key("clientId").value(uint64_t{d.clientId})
          .key("client").value(d.clientName)
          .key("requestId").value(uint64_t{d.requestId})
          .key("defineId").value(uint64_t{d.defineId})
          .key("objectId").value(uint64_t{d.objectId})
          .key("flags").value(uint64_t{d.flags})
          .key("defineCount").value(uint64_t{d.defineCount})
          .key("size").value(uint64_t{d.size})
          .key("atUs").value(microsecondsOf(d.at))
          .endObject();
    return {kOk, json.endArray().text()};
  }
  if (list.empty()) return {kOk, "no data messages\n"};
  std::ostringstream out;
  for (const DataMessageRecord& d : list)
    out << who(d.clientName, d.clientId) << ": request " << d.requestId << ", define "
        << d.defineId << ", " << plural(d.defineCount, "datum") << ", " << d.size
        << " bytes, at " << microsecondsOf(d.at) << " us\n";
  return {kOk, out.str()};
}

Reply exceptions(Simulator& sim, const MatchedCommand& command) {
  auto list = sim.exceptions();
  if (command.json) {
    JsonWriter json;
    json.beginArray();
    for (const ExceptionRecord& e : list)
      json.beginObject()
          .key("clientId").value(uint64_t{e.clientId})
          .key("client").value(e.clientName)
          .key("exception").value(uint64_t{e.exception})
          .key("exceptionName").value(exceptionName(e.exception))
          .key("sendId").value(uint64_t{e.sendId})
          .key("index").value(uint64_t{e.index})
          .endObject();
    return {kOk, json.endArray().text()};
  }
  if (list.empty()) return {kOk, "no exceptions\n"};
  std::ostringstream out;
  for (const ExceptionRecord& e : list) {
    out << who(e.clientName, e.clientId) << ": " << exceptionName(e.exception) << " ("
        << e.exception << ") for send id " << e.sendId;
    if (e.index != 0xFFFFFFFF) out << ", index " << e.index;
    out << "\n";
  }
  return {kOk, out.str()};
}

Reply choose(Simulator& sim, const MatchedCommand& command) {
  const std::string& client = command.arguments[0];
  const std::string& item = command.arguments[1];
  if (sim.choose(client, item)) return {kOk, "chose \"" + item + "\" of " + client + "\n"};
  return {kBadUsage, "kestrix-lab: no connected client \"" + client + "\" has an item \"" +
                         item + "\" to choose\n"};
}

const std::map<std::string_view, Command>& commands() {
  static const std::map<std::string_view, Command> table = {
      {"sim flight start", flightStart},
      {"sim flight stop", flightStop},
      {"sim quit", quit},
      {"sim break", breakAll},
      {"sim refuse on", refuseOn},
      {"sim refuse off", refuseOff},
      {"sim clients [--json]", clients},
      {"sim menus [--json]", menus},
      {"sim texts [--json]", texts},
      {"sim events [--json]", events},
      {"sim exceptions [--json]", exceptions},
      {"sim data [--json]", dataMessages},
      {"sim choose CLIENT ITEM", choose},
      {"sim set VAR VALUE", setVariableCommand},
      {"sim get VAR", getVariableCommand},
      {"sim radios [--json]", radiosCommand},
  };
  return table;
}

}  // namespace

ControlServer::Handler simCommands(Simulator& simulator) {
  return [&simulator](const MatchedCommand& command) -> Reply {
    auto found = commands().find(command.form);
    if (found == commands().end())
      return {kBadUsage, "kestrix-lab: \"" + std::string(command.form) + "\" is not served\n"};
    return found->second(simulator, command);
  };
}

}  // namespace lab::control
