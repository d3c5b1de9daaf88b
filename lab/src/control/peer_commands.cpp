#include "lab/peer_commands.h"

#include "json_writer.h"

namespace lab::control {
namespace {

// `peer notices [--json]`: every notice, oldest first, one per line.
Reply notices(PeerWindow& peer, const MatchedCommand& command) {
  if (!peer.isOpen())
    return {kBadUsage, "kestrix-lab: the peer window is off in this world\n"};
  std::vector<std::string> received = peer.notices();
  if (command.json) return {kOk, JsonWriter().value(received).text()};
  std::string text;
  for (const auto& notice : received) text += notice + "\n";
  return {kOk, text};
}

}  // namespace

ControlServer::Handler peerCommands(PeerWindow& peer) {
  return [&peer](const MatchedCommand& command) -> Reply {
    if (command.form == "peer notices [--json]") return notices(peer, command);
    return {kBadUsage, "kestrix-lab: unknown peer command\n"};
  };
}

}  // namespace lab::control
