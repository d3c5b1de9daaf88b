#include "sim_world.h"

#include <SimConnect.h>

#include <charconv>
#include <utility>
#include <variant>

namespace lab::sim {

namespace wire = simconnect::wire;

SimWorld::SimWorld(MessageSink& sink, bool flightRunning)
    : sink_(sink), flightRunning_(flightRunning) {}

void SimWorld::connectionOpened(uint32_t connectionId) {
  sessions_[connectionId].id = connectionId;
}

void SimWorld::connectionEnded(uint32_t connectionId) {
  auto found = sessions_.find(connectionId);
  if (found != sessions_.end()) endSession(found->second);
}

void SimWorld::packetReceived(uint32_t connectionId, const std::vector<uint8_t>& packet) {
  auto found = sessions_.find(connectionId);
  if (found == sessions_.end() || !found->second.connected) return;
  ClientSession& session = found->second;
  Wire request;
  switch (wire::decodeRequest(packet, request)) {
    case wire::DecodeStatus::Ok:
      requests_.add({session.id, session.name, request.callType, request.sendId});
      break;
    case wire::DecodeStatus::UnknownCall:
      sendException(session,
                    session.opened ? SIMCONNECT_EXCEPTION_ERROR : SIMCONNECT_EXCEPTION_UNOPENED,
                    request.sendId, kUnknownIndex);
      return;
    case wire::DecodeStatus::BadSize:
      sendException(session, SIMCONNECT_EXCEPTION_SIZE_MISMATCH, request.sendId, kUnknownIndex);
      return;
    case wire::DecodeStatus::BadHeader:
      // No call-type marker: not a SimConnect client, or a stream out of step.
      endSession(session);
      return;
  }
  if (session.opened)
    handle(session, request);
  else if (std::holds_alternative<wire::Open>(request.body))
    openSession(session, request);
  else
    sendException(session, SIMCONNECT_EXCEPTION_UNOPENED, request.sendId, kUnknownIndex);
}

void SimWorld::handle(ClientSession& session, const Wire& request) {
  std::visit([&](const auto& body) { on(session, request.sendId, body); }, request.body);
}

void SimWorld::on(ClientSession& session, uint32_t sendId, const wire::Open&) {
  // A second Open on a connection that is open already.
  sendException(session, SIMCONNECT_EXCEPTION_ERROR, sendId, kUnknownIndex);
}

void SimWorld::sendException(ClientSession& session, uint32_t exception, uint32_t sendId,
                             uint32_t index) {
  exceptions_.add({session.id, exception, sendId, index, session.name});
  sink_.send(session.id, wire::encodeExceptionMessage(exception, sendId, index));
}

void SimWorld::sendEvent(ClientSession& session, uint32_t groupId, uint32_t eventId,
                         uint32_t data) {
  sink_.send(session.id, wire::encodeEventMessage(groupId, eventId, data));
}

void SimWorld::endSession(ClientSession& session) {
  if (!session.connected) return;
  session.connected = false;
  // What an ended connection set up is of no use any more; only its name
  // and fate are kept, for "sim clients".
  session.openMenu.reset();
  session.menu = {};
  session.systemEvents.clear();
  session.mappedEvents.clear();
  session.groups.clear();
  session.dataDefinitions = {};
  session.dataRequests = {};
  sink_.closeAfterSending(session.id);
  forgetOldEndedSessions(session.id);
}

void SimWorld::forgetOldEndedSessions(uint32_t justEnded) {
  size_t ended = 0;
  for (const auto& [id, session] : sessions_) ended += !session.connected;
  for (auto it = sessions_.begin(); it != sessions_.end() && ended > kKeptEndedSessions;) {
    if (!it->second.connected && it->first != justEnded) {
      it = sessions_.erase(it);
      --ended;
    } else {
      ++it;
    }
  }
}

ClientSession* SimWorld::findConnected(const std::string& client) {
  return const_cast<ClientSession*>(std::as_const(*this).findConnected(client));
}

const ClientSession* SimWorld::findConnected(const std::string& client) const {
  for (auto it = sessions_.rbegin(); it != sessions_.rend(); ++it)
    if (it->second.live() && it->second.name == client) return &it->second;
  uint32_t id = 0;
  auto [end, error] = std::from_chars(client.data(), client.data() + client.size(), id);
  if (error != std::errc() || end != client.data() + client.size()) return nullptr;
  auto found = sessions_.find(id);
  return found != sessions_.end() && found->second.connected ? &found->second : nullptr;
}

}  // namespace lab::sim
