// The radio's binding to the simulator: its data definition and request,
// its client events and the messages the session forwards.
#include <cstring>
#include <set>
#include <span>

#include "device_kestrix_radio.h"

namespace {

constexpr DWORD kDefinition = 101;
constexpr DWORD kRequest = 101;
constexpr DWORD kUserAircraft = 0;
constexpr DWORD kChangedTagged =
    SIMCONNECT_DATA_REQUEST_FLAG_CHANGED | SIMCONNECT_DATA_REQUEST_FLAG_TAGGED;

struct Datum {
  DWORD id;
  const char* variable;
  const char* units;
  DWORD type;
  const char* description;  // null: not recorded
};

constexpr DWORD kInt32 = SIMCONNECT_DATATYPE_INT32;
constexpr DWORD kFloat32 = SIMCONNECT_DATATYPE_FLOAT32;

constexpr Datum kMiscData[] = {
    {0, "LIGHT PANEL", "BOOL", kInt32, "SimConnect_AddToDataDefinition - DATA_NAME_LIGHT_PANEL"},
    {1, "AVIONICS MASTER SWITCH", "BOOL", kInt32,
     "SimConnect_AddToDataDefinition - DATA_NAME_AVIONICS_MASTER_SWITCH"},
};
constexpr Datum kComData[] = {
    {2, "COM ACTIVE FREQUENCY:1", "Khz", kFloat32,
     "SimConnect_AddToDataDefinition - DATA_RADIO_COM_A_1_FREQ"},
    {3, "COM STANDBY FREQUENCY:1", "Khz", kFloat32,
     "SimConnect_AddToDataDefinition - DATA_RADIO_COM_S_1_FREQ"},
    {4, "COM ACTIVE FREQUENCY:2", "Khz", kFloat32,
     "SimConnect_AddToDataDefinition - DATA_RADIO_COM_A_2_FREQ"},
    {5, "COM STANDBY FREQUENCY:2", "Khz", kFloat32,
     "SimConnect_AddToDataDefinition - DATA_RADIO_COM_S_2_FREQ"},
};
constexpr Datum kNavData[] = {
    {6, "NAV ACTIVE FREQUENCY:1", "Khz", kFloat32, nullptr},
    {7, "NAV STANDBY FREQUENCY:1", "Khz", kFloat32, nullptr},
    {8, "NAV ACTIVE FREQUENCY:2", "Khz", kFloat32, nullptr},
    {9, "NAV STANDBY FREQUENCY:2", "Khz", kFloat32, nullptr},
};
constexpr Datum kAdfData[] = {
    {10, "ADF ACTIVE FREQUENCY:1", "Khz", kFloat32, nullptr},
    {11, "ADF STANDBY FREQUENCY:1", "Khz", kFloat32, nullptr},
};
constexpr Datum kXpndrData[] = {
    {14, "TRANSPONDER CODE:1", "BCO16", kFloat32, nullptr},
};

struct ClientEvent {
  DWORD id;
  const char* name;
  const char* description;  // null: not recorded
};

constexpr ClientEvent kCom1Events[] = {
    {102, "COM_RADIO_FRACT_DEC", "SimConnect_MapClientEventToSimEvent - EVENT_KEY_COM_1_FRACT_DEC"},
    {103, "COM_RADIO_FRACT_INC", "SimConnect_MapClientEventToSimEvent - EVENT_KEY_COM_1_FRACT_INC"},
    {104, "COM_RADIO_WHOLE_DEC", "SimConnect_MapClientEventToSimEvent - EVENT_KEY_COM_1_WHOLE_DEC"},
    {105, "COM_RADIO_WHOLE_INC", "SimConnect_MapClientEventToSimEvent - EVENT_KEY_COM_1_WHOLE_INC"},
    {106, "COM_STBY_RADIO_SWAP",
     "SimConnect_MapClientEventToSimEvent - EVENT_KEY_EVENT_KEY_COM_1_SWAPADF_2_COMPLETE_SET"},
};
constexpr ClientEvent kCom2Events[] = {
    {107, "COM2_RADIO_FRACT_DEC", nullptr}, {108, "COM2_RADIO_FRACT_INC", nullptr},
    {109, "COM2_RADIO_WHOLE_DEC", nullptr}, {110, "COM2_RADIO_WHOLE_INC", nullptr},
    {111, "COM2_RADIO_SWAP", nullptr},
};
constexpr ClientEvent kNav1Events[] = {
    {112, "NAV1_RADIO_FRACT_DEC", nullptr}, {113, "NAV1_RADIO_FRACT_INC", nullptr},
    {114, "NAV1_RADIO_WHOLE_DEC", nullptr}, {115, "NAV1_RADIO_WHOLE_INC", nullptr},
    {116, "NAV1_RADIO_SWAP", nullptr},
};
constexpr ClientEvent kNav2Events[] = {
    {118, "NAV2_RADIO_FRACT_DEC", nullptr}, {119, "NAV2_RADIO_FRACT_INC", nullptr},
    {120, "NAV2_RADIO_WHOLE_DEC", nullptr}, {121, "NAV2_RADIO_WHOLE_INC", nullptr},
    {122, "NAV2_RADIO_SWAP", nullptr},
};
constexpr ClientEvent kAdfEvents[] = {
    {124, "ADF_COMPLETE_SET", "SimConnect_MapClientEventToSimEvent - EVENT_KEY_ADF_1_COMPLETE_SET"},
    {125, "ADF2_COMPLETE_SET", "SimConnect_MapClientEventToSimEvent - EVENT_KEY_ADF_2_COMPLETE_SET"},
};
constexpr ClientEvent kXpndrEvents[] = {
    {127, "XPNDR_SET", "SimConnect_MapClientEventToSimEvent - EVENT_KEY_XPNDR_SET"},
};

struct EventGroup {
  const char* logText;
  std::span<const ClientEvent> events;
};

constexpr EventGroup kEventGroups[] = {
    {"   COM1 Radio\n", kCom1Events}, {"   COM2 Radio\n", kCom2Events},
    {"   NAV1 Radio\n", kNav1Events}, {"   NAV2 Radio\n", kNav2Events},
    {"   ADF Radio\n", kAdfEvents},   {"  XPNDR Radio\n", kXpndrEvents},
};

}  // namespace

void CDeviceKestrixRadio::RegisterSimConnectData(int value) {
  const char* where = "CDeviceKestrixRadio::RegisterSimConnectData";
  registerValue_ = value;
  // Every radio on the connection shares one definition and one request:
  // the first radio sets them up, the others read the same data messages.
  if (firstToUseDefinition(kDefinition)) {
    auto addData = [this](const auto& data) {
      for (const Datum& datum : data) {
        SimConnect_AddToDataDefinition(simConnect_, kDefinition, datum.variable, datum.units,
                                       datum.type, 0.0f, datum.id);
        if (datum.description) AddSendRecord(datum.description);
      }
    };
    log_.write(0, where, "Adding misc data\n");
    addData(kMiscData);
    log_.write(0, where, "Adding COM data\n");
    addData(kComData);
    log_.write(0, where, "Adding NAV data\n");
    addData(kNavData);
    log_.write(0, where, "Adding ADF data\n");
    addData(kAdfData);
    log_.write(0, where, "Adding XPNDR data\n");
    addData(kXpndrData);

    log_.write(0, where, "Requesting data on sim object\n");
    const HRESULT result =
        SimConnect_RequestDataOnSimObject(simConnect_, kRequest, kDefinition, kUserAircraft,
                                          SIMCONNECT_PERIOD_VISUAL_FRAME, kChangedTagged, 0, 0, 0);
    log_.write(0, where, "Returned: %.08X\n", static_cast<unsigned>(result));
  } else {
    log_.write(0, where, "Radio data already requested on this connection\n");
  }

  // The connection keeps its mappings until it closes; each is made once.
  log_.write(0, where, "Mapping client events\n");
  std::set<DWORD> unmapped;
  for (const EventGroup& group : kEventGroups)
    for (const ClientEvent& event : group.events)
      if (mapsClientEvent(event.id)) unmapped.insert(event.id);
  if (unmapped.empty()) {
    log_.write(0, where, "Already mapped, skipping\n");
    return;
  }
  for (const EventGroup& group : kEventGroups) {
    log_.write(0, where, "%s", group.logText);
    for (const ClientEvent& event : group.events) {
      if (!unmapped.count(event.id)) continue;
      SimConnect_MapClientEventToSimEvent(simConnect_, event.id, event.name);
      if (event.description) AddSendRecord(event.description);
    }
  }
}

void CDeviceKestrixRadio::ReleaseSimConnectData() { stopDataRequest(); }

void CDeviceKestrixRadio::stopDataRequest() {
  if (!lastToLeaveDefinition(kDefinition)) return;
  SimConnect_RequestDataOnSimObject(simConnect_, kRequest, kDefinition, kUserAircraft,
                                    SIMCONNECT_PERIOD_NEVER, kChangedTagged, 0, 0, 0);
  SimConnect_ClearDataDefinition(simConnect_, kDefinition);
}

void CDeviceKestrixRadio::SimConnectModuleDispatchProc(SIMCONNECT_RECV* message, DWORD size) {
  if (!message || size < sizeof(SIMCONNECT_RECV)) return;
  switch (message->dwID) {
    case SIMCONNECT_RECV_ID_EXCEPTION: {
      if (size < sizeof(SIMCONNECT_RECV_EXCEPTION)) return;
      const auto* exception = reinterpret_cast<const SIMCONNECT_RECV_EXCEPTION*>(message);
      const char* where = "CDeviceKestrixRadio::SimConnectModuleDispatchProc";
      log_.write(2, where, "SimConnect Exception received\n");
      log_.write(2, where, "SendID %.3d: %s", static_cast<int>(exception->dwSendID),
                 GetSendRecord(exception->dwSendID).c_str());
      break;
    }
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA: handleObjectData(message, size); break;
    default: break;
  }
}

void CDeviceKestrixRadio::handleObjectData(const SIMCONNECT_RECV* message, DWORD size) {
  const std::size_t dataOffset = sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) - sizeof(DWORD);
  if (size < dataOffset) return;
  const auto* data = reinterpret_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA*>(message);
  if (data->dwRequestID != kRequest) return;
  const auto* bytes = reinterpret_cast<const unsigned char*>(message);
  // Each entry is a datum id and a 32-bit value; a count larger than the
  // message holds stops at the message's end.
  std::size_t offset = dataOffset;
  for (DWORD entry = 0; entry < data->dwDefineCount && offset + 8 <= size; ++entry, offset += 8) {
    DWORD datumId = 0;
    DWORD raw = 0;
    std::memcpy(&datumId, bytes + offset, 4);
    std::memcpy(&raw, bytes + offset + 4, 4);
    if (datumId == 0) {
      SetPanelLight((raw & 0xFF) != 0);
    } else if (datumId == 1) {
      SetAvionics((raw & 0xFF) != 0);
    } else if (datumId >= 2 && datumId <= 11) {
      float value = 0.0f;
      std::memcpy(&value, &raw, 4);
      updateFrequency(datumId, value);
    }
  }
}
