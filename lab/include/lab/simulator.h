#pragma once
// The lab's flight simulator: a server of SimConnect's wire protocol that any
// number of clients (our programs, tests, the view) connect to, with the
// state a person would see and change in a real simulator.
#include "lab/record_time.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lab {

struct ClientInfo {
  uint32_t id = 0;           // the lab's own number for the connection, from 1
  std::string name;          // the application name given at Open
  bool connected = false;    // false once the connection has ended
  bool opened = false;       // true once the lab answered its Open
};

struct MenuItemInfo {
  uint32_t clientId = 0;
  std::string clientName;
  std::string text;
  uint32_t eventId = 0;
  uint32_t data = 0;
  std::optional<uint32_t> parentEventId;  // set for sub-items
};

struct TextRecord {
  uint32_t clientId = 0;
  std::string clientName;
  uint32_t type = 0;      // SIMCONNECT_TEXT_TYPE
  float seconds = 0;
  uint32_t eventId = 0;
  std::string text;       // a print text; for a menu: the title
  std::vector<std::string> menuItems;  // a menu's prompt is not included
  std::string prompt;
  std::chrono::steady_clock::time_point shownAt;
};

// A client event that a client transmitted, after the lab mapped its id to
// the event name.
struct EventRecord {
  uint32_t clientId = 0;
  std::string clientName;
  std::string name;       // the mapped simulator or custom event name; "" if unmapped
  uint32_t eventId = 0;   // the client's id
  uint32_t data = 0;
  uint32_t objectId = 0;
  uint32_t groupId = 0;   // as transmitted (a priority with GROUPID_IS_PRIORITY)
  uint32_t flags = 0;
  RecordTime at{};        // when the lab received it
};

// A SIMOBJECT_DATA message the lab sent to a client: one answer of one of
// its data requests.
struct DataMessageRecord {
  uint32_t clientId = 0;
  std::string clientName;
  uint32_t requestId = 0;
  uint32_t defineId = 0;
  uint32_t objectId = 0;
  uint32_t flags = 0;        // the request's flags (CHANGED, TAGGED)
  uint32_t defineCount = 0;  // datums in the message
  uint32_t size = 0;         // bytes of the whole message
  RecordTime at{};           // when the lab sent it
};

// An EXCEPTION the lab sent, for tests and for "sim exceptions".
struct ExceptionRecord {
  uint32_t clientId = 0;
  uint32_t exception = 0;
  uint32_t sendId = 0;
  uint32_t index = 0;
  std::string clientName;
};

// A system event a connected client subscribed to ("SimStart", ...).
struct SubscriptionInfo {
  uint32_t clientId = 0;
  std::string clientName;
  uint32_t eventId = 0;
  std::string name;
};

// A client event id a connected client mapped to an event name, with the
// notification groups it was added to (empty: the client only transmits it).
struct EventMappingInfo {
  uint32_t clientId = 0;
  std::string clientName;
  uint32_t eventId = 0;
  std::string name;
  std::vector<uint32_t> groupIds;
};

// A call that a client made, decoded, in the order the lab received them.
struct RequestRecord {
  uint32_t clientId = 0;
  std::string clientName;
  uint32_t callType = 0;  // simconnect::wire::CallType
  uint32_t sendId = 0;
};

// ---- The aircraft ----

// Which frequency the inc/dec events of a radio tune, which differs between
// aircraft: the standby one (most) or the active one.
enum class RadioTuning { Standby, Active };

struct RadioFrequencies {
  double activeKhz = 0;
  double standbyKhz = 0;
  bool operator==(const RadioFrequencies&) const = default;
};

// The user aircraft's radios and the switches the panels watch. The member
// defaults are the aircraft of the default world.
struct AircraftRadios {
  RadioFrequencies com1{122800, 118000};
  RadioFrequencies com2{124850, 121500};
  RadioFrequencies nav1{110500, 113900};
  RadioFrequencies nav2{114700, 108000};
  RadioFrequencies adf1{350, 1234.5};
  RadioFrequencies adf2{410, 275};
  uint32_t transponderCode = 0x1200;  // BCO16: one octal digit per nibble
  bool transponderAvailable = true;
  bool avionicsMaster = true;
  bool panelLight = false;
  bool operator==(const AircraftRadios&) const = default;
};

enum class SetVariableResult {
  Done,
  UnknownVariable,  // no aircraft variable of that name
  OutOfRange,       // not a value the variable can take (see docs/lab.md)
};

class Simulator {
 public:
  struct Options {
    // Where to listen: a Unix socket path (default: <runtime dir>/simconnect.sock)
    // and/or a TCP port on 127.0.0.1 (0: none).
    std::string socketPath;
    uint16_t tcpPort = 0;
    bool flightRunning = true;
    // Listen on TCP at a free port the system chooses (tcpPort() tells which).
    bool tcpOnAnyFreePort = false;
  };

  explicit Simulator(Options options);
  ~Simulator();  // stops serving; connections are closed
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Starts listening and serving on a thread of its own. False on failure
  // (the reason is then in lastError()).
  bool start();
  void stop();
  std::string socketPath() const;
  uint16_t tcpPort() const;  // 0 when not listening on TCP
  std::string lastError() const;

  // ---- What a person does ----
  void startFlight();  // "SimStart" to subscribers; "Sim" state 1 from now on
  void stopFlight();   // "SimStop"; "Sim" state 0
  bool flightRunning() const;
  void quit();         // QUIT to every client, then the connections close
  void breakConnections();  // every connection closes at once, no QUIT
  void setRefusing(bool refusing);  // while on, Open fails (connection closed at once)
  bool refusing() const;
  // Chooses an add-on menu item ("About..." or "Kestrix/About...") of the
  // client with that name, or an entry of the client's open menu text (by
  // text, or by its index 0-9). False when there is no such item.
  bool choose(const std::string& clientName, const std::string& item);

  // ---- What a person sees ----
  std::vector<ClientInfo> clients() const;
  std::vector<MenuItemInfo> menus() const;  // current items of connected clients
  std::vector<TextRecord> texts() const;    // every text shown, oldest first
  std::vector<EventRecord> events() const;  // every transmitted client event
  std::vector<DataMessageRecord> dataMessages() const;  // every SIMOBJECT_DATA sent
  std::vector<ExceptionRecord> exceptions() const;
  std::vector<RequestRecord> requests() const;
  // The menu text a connected client has on screen now, if any.
  std::optional<TextRecord> openMenuText(const std::string& client) const;
  std::vector<SubscriptionInfo> subscriptions() const;  // of connected clients
  std::vector<EventMappingInfo> eventMappings() const;  // of connected clients

  // ---- The aircraft ----
  // Variables by their simulator names ("COM ACTIVE FREQUENCY:1", letter
  // case free), in each variable's own unit: kHz for frequencies, the BCO16
  // number for "TRANSPONDER CODE:1" (0x1200 for 1200), 0 or 1 for switches.
  // A change reaches the clients' data requests at the next frame.
  SetVariableResult setVariable(const std::string& name, double value);
  std::optional<double> variable(const std::string& name) const;
  AircraftRadios radios() const;
  // Every radio and switch at once, as given: unlike setVariable, no range
  // is checked, so that a test can put the aircraft in any state.
  void setRadios(const AircraftRadios& radios);
  void setRadioTuning(RadioTuning tuning);
  RadioTuning radioTuning() const;

  // ---- Faults, for tests of a client's robustness ----
  // A client is named by its application name (the newest connected client
  // of that name) or by the lab's number for it. False when there is none.
  //
  // Sends arbitrary bytes, e.g. a packet with a lying size field.
  bool sendRaw(const std::string& client, std::vector<uint8_t> bytes);
  // Sends the first half of an EVENT message, then closes the connection.
  bool closeMidPacket(const std::string& client);
  // Closes one connection after what was sent to it is written, no QUIT.
  bool disconnect(const std::string& client);

  // Waits until pred() holds, re-checking it whenever the lab's state changes
  // (and at least every 50 ms). False on timeout. pred may call any of the
  // methods above.
  bool waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace lab
