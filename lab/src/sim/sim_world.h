#pragma once
// The simulator's SimConnect logic: one session per connection, the requests
// it handles, what a person does (start a flight, choose a menu item) and
// the records a person or a test reads. Guarded by the simulator's mutex;
// talks to clients only through a MessageSink.
//
// Request handlers live in one file per family (menu_requests.cpp, ...).
// The aircraft model joins through aircraft_requests.cpp (data definitions,
// data requests, simulator events) and the due-work hooks below.
#include "client_session.h"
#include "frame_clock.h"
#include "lab/simulator.h"
#include "message_sink.h"
#include "record_log.h"

#include <simconnect/wire.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lab::sim {

class SimWorld : public ConnectionHandler {
 public:
  SimWorld(MessageSink& sink, bool flightRunning);

  // ConnectionHandler
  void connectionOpened(uint32_t connectionId) override;
  void packetReceived(uint32_t connectionId, const std::vector<uint8_t>& packet) override;
  void connectionEnded(uint32_t connectionId) override;

  // ---- What a person does (person_actions.cpp) ----
  void startFlight();
  void stopFlight();
  bool flightRunning() const { return flightRunning_; }
  void quitAll();         // QUIT to every client, then each connection closes
  void endAllSessions();  // the connections broke: every session is over
  bool choose(const std::string& client, const std::string& item);
  bool sendRaw(const std::string& client, std::vector<uint8_t> bytes);
  bool closeMidPacket(const std::string& client);
  bool disconnect(const std::string& client);

  // ---- What a person sees (world_views.cpp) ----
  std::vector<ClientInfo> clients() const;
  std::vector<MenuItemInfo> menus() const;
  std::vector<TextRecord> texts() const { return texts_.all(); }
  std::vector<EventRecord> events() const { return events_.all(); }
  std::vector<DataMessageRecord> dataMessages() const { return dataMessages_.all(); }
  std::vector<ExceptionRecord> exceptions() const { return exceptions_.all(); }
  std::vector<RequestRecord> requests() const { return requests_.all(); }
  std::optional<TextRecord> openMenuText(const std::string& client) const;
  std::vector<SubscriptionInfo> subscriptions() const;
  std::vector<EventMappingInfo> eventMappings() const;

  // ---- The aircraft (aircraft_person_actions.cpp) ----
  SetVariableResult setVariable(const std::string& name, double value);
  std::optional<double> variable(const std::string& name) const;
  const AircraftRadios& radios() const { return aircraft_; }
  void setRadios(const AircraftRadios& radios) { aircraft_ = radios; }
  void setRadioTuning(RadioTuning tuning) { tuning_ = tuning; }
  RadioTuning radioTuning() const { return tuning_; }

  // Periodic work: the frames that answer data requests
  // (aircraft_requests.cpp). The server's poll() wakes when it is due.
  std::optional<std::chrono::steady_clock::time_point> nextWorkDue() const;
  void runDueWork(std::chrono::steady_clock::time_point now);

 private:
  using Wire = simconnect::wire::DecodedRequest;

  void handle(ClientSession& session, const Wire& request);
  // One handler per call; sendId names the request in an EXCEPTION.
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::Open&);
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::MapClientEventToSimEvent&);
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::TransmitClientEvent&);
  void on(ClientSession&, uint32_t sendId,
          const simconnect::wire::AddClientEventToNotificationGroup&);
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::SetNotificationGroupPriority&);
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::AddToDataDefinition&);
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::ClearDataDefinition&);
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::RequestDataOnSimObject&);
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::SubscribeToSystemEvent&);
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::UnsubscribeFromSystemEvent&);
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::MenuAddItem&);
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::MenuDeleteItem&);
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::MenuAddSubItem&);
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::MenuDeleteSubItem&);
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::RequestSystemState&);
  void on(ClientSession&, uint32_t sendId, const simconnect::wire::Text&);

  void openSession(ClientSession& session, const Wire& request);
  void sendException(ClientSession& session, uint32_t exception, uint32_t sendId,
                     uint32_t index);
  void sendEvent(ClientSession& session, uint32_t groupId, uint32_t eventId, uint32_t data);
  void fireSystemEvent(const std::string& name, uint32_t data);
  // Every live client that mapped the name and put its id in a group hears it.
  void deliverClientEvent(const std::string& name, uint32_t data);
  // The aircraft model acts on simulator events sent to the user aircraft.
  void simulatorEventTransmitted(const std::string& name, uint32_t objectId, uint32_t data);
  void endSession(ClientSession& session);
  // A lab serving for days sees many connections come and go: of the ended
  // ones it keeps the newest kKeptEndedSessions.
  void forgetOldEndedSessions(uint32_t justEnded);
  static constexpr size_t kKeptEndedSessions = 1000;

  ClientSession* findConnected(const std::string& client);
  const ClientSession* findConnected(const std::string& client) const;

  MessageSink& sink_;
  bool flightRunning_;
  std::map<uint32_t, ClientSession> sessions_;
  RecordLog<TextRecord> texts_;
  RecordLog<EventRecord> events_;
  RecordLog<DataMessageRecord> dataMessages_;
  RecordLog<ExceptionRecord> exceptions_;
  RecordLog<RequestRecord> requests_;
  AircraftRadios aircraft_;
  RadioTuning tuning_ = RadioTuning::Standby;
  FrameClock frames_;
};

// EXCEPTION index when no single field of the request is at fault.
constexpr uint32_t kUnknownIndex = 0xFFFFFFFF;
// The group id of events that belong to no notification group.
constexpr uint32_t kNoGroup = 0xFFFFFFFF;

}  // namespace lab::sim
