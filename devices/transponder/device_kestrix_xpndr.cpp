#include "device_kestrix_xpndr.h"

#include <controller/vantrix_controller.h>
#include <hex_text.h>

#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "xpndr_ids.h"
#include "xpndr_peer_notice.h"

using namespace xpndr;

namespace {

constexpr DWORD kUserAircraft = SIMCONNECT_OBJECT_ID_USER;
constexpr DWORD kGroupHighest = SIMCONNECT_GROUP_PRIORITY_HIGHEST;
constexpr DWORD kGroupIsPriority = SIMCONNECT_EVENT_FLAG_GROUPID_IS_PRIORITY;
constexpr DWORD kTypeInt32 = 1;
constexpr DWORD kTypeFloat32 = 3;
constexpr DWORD kChangedAndTagged = 3;
constexpr int kCodeDigit = 2;
constexpr int kLightDigit = 6;
constexpr int kRightAligned = 1;
constexpr int kIdentKey = 12;
constexpr int kPortIndicators = 1;
constexpr int kPortIndicatorsOn = 8;

// One tagged datum of a data message: its id and its 32-bit value.
struct TaggedDatum {
  DWORD id;
  DWORD value;
};

}  // namespace

CDeviceKestrixXPNDR::CDeviceKestrixXPNDR(const DeviceCreateInfo* info)
    : CSimConnectDevice(kModelNumber, info) {
  if (!controller_) return;
  controller_->EnableLedMatrix(true);
  RegisterSimConnectData(0);
  controller_->EnableKeyMatrix(true, &CDeviceKestrixXPNDR::OnKeyChange, this, false);
}

CDeviceKestrixXPNDR::~CDeviceKestrixXPNDR() {
  if (simConnect_) ReleaseSimConnectData();
  if (controller_) {
    // Stops the key thread before the device goes, so no callback can
    // reach a deleted device.
    controller_->EnableKeyMatrix(false);
    controller_->EnableLedMatrix(false);
  }
}

void CDeviceKestrixXPNDR::log(int level, const char* operation, const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::string function = std::string("CDeviceKestrixXPNDR::") + operation;
  log_.write(level, function.c_str(), "%s", text);
}

int32_t CDeviceKestrixXPNDR::OnKeyChange(const std::string&, int key, int state, void* device) {
  auto* self = static_cast<CDeviceKestrixXPNDR*>(device);
  if (!self) return 1;
  bool released = state == 0;
  self->postToSession([self, key, released] { self->ProcessInput(key, released); });
  return 1;
}

int CDeviceKestrixXPNDR::ProcessInput(int key, bool released) {
  if (released && key != kIdentKey) return 1;
  log(0, "ProcessInput", "ProcessInput - Processing Button %.02d (%s)\n", key,
      released ? "Up" : "Down");
  if (key >= 1 && key <= 8) {
    enterDigit(static_cast<char>('0' + key - 1));
  } else if (key == 9 || key == 10) {
    sendCustomEvent(kEventPosition, static_cast<DWORD>(key - 8), "ZRQ-XPNDR.Position");
  } else if (key == 11) {
    codeText_ = "----";
    SetDisplayOnDevice();
    entryPosition_ = 0;
  } else if (key == kIdentKey) {
    NotifyIdentSwitch(!released);
    sendCustomEvent(kEventIdent, released ? 0 : 1, "ZRQ-XPNDR.Ident");
  } else if (key >= 17 && key <= 21) {
    NotifyTcasModeSwitch(key - 16);
    sendCustomEvent(kEventMode, static_cast<DWORD>(key - 16), "ZRQ-XPNDR.Mode");
  } else if (key >= 22 && key <= 24) {
    sendCustomEvent(kEventStatus, static_cast<DWORD>(key - 21), "ZRQ-XPNDR.Status");
  }
  return 1;
}

void CDeviceKestrixXPNDR::enterDigit(char digit) {
  log(0, "ProcessInput", "Enter position: %d\tChar: %c", entryPosition_, digit);
  if (entryPosition_ < 0) return;
  codeText_[static_cast<size_t>(entryPosition_)] = digit;
  if (++entryPosition_ == 4) {
    SetDisplayOnFSX();
    entryPosition_ = -1;
  } else {
    SetDisplayOnDevice();
  }
}

void CDeviceKestrixXPNDR::sendCustomEvent(DWORD eventId, DWORD data, const char* name) {
  HRESULT result = SimConnect_TransmitClientEvent(simConnect_, kUserAircraft, eventId, data,
                                                  kGroupHighest, kGroupIsPriority);
  if (FAILED(result))
    log(1, "ProcessInput", "Error sending SimConnect user object %s", name);
}

void CDeviceKestrixXPNDR::SetDisplayOnDevice() {
  log(0, "SetDisplayOnDevice", "Set display on device");
  if (!controller_) {
    log(0, "SetDisplayOnDevice", "Global controller not set yet...skipping...\n");
    return;
  }
  log(0, "SetDisplayOnDevice", "Setting XPNDR device screen to %s\n", codeText_.c_str());
  if (avionicsOn_) controller_->SetDisplay(kCodeDigit, codeText_, 4, kRightAligned, '0');
}

void CDeviceKestrixXPNDR::SetDisplayOnFSX() {
  int code = static_cast<int>(hexTextToInt(codeText_));
  log(0, "SetDisplayOnFSX", "Sending %s to FS as %d", codeText_.c_str(), code);
  HRESULT result = SimConnect_TransmitClientEvent(simConnect_, kUserAircraft, kEventSetCode,
                                                  static_cast<DWORD>(code), kGroupHighest,
                                                  kGroupIsPriority);
  if (FAILED(result)) {
    log(1, "SetDisplayOnFSX", "Error sending SimConnect XPNDR set command %.04X", code);
    // The simulator kept its code, so the panel shows that one again.
    if (!simulatorCode_.empty()) codeText_ = simulatorCode_;
    SetDisplayOnDevice();
    return;
  }
  // The simulator reports only changes: a code it holds already brings no
  // report, so the panel shows it now.
  if (codeText_ != simulatorCode_) return;
  log(0, "SetDisplayOnFSX",
      "SimConnect is instructed to only send changes, so lets update the display.");
  SetDisplayOnDevice();
}

void CDeviceKestrixXPNDR::SetPanelLight(bool on) {
  panelLight_ = on;
  log(0, "SetPanelLight", "Panel light changed: %d\n", panelLight_ ? 1 : 0);
  if (!controller_) return;
  log(0, "SetPanelLight", "Setting light panel on device: %d\n", panelLight_ ? 1 : 0);
  if (avionicsOn_) controller_->SetDisplay(kLightDigit, on ? "8.8." : "  ", -1, kRightAligned, ' ');
}

void CDeviceKestrixXPNDR::SetAvionics(bool on) {
  avionicsOn_ = on;
  if (!controller_) return;
  if (on) {
    if (boardRevision_ < 2)
      for (int led = 1; led <= 4; ++led) controller_->SetLed(led, true, false);
    else
      controller_->WritePort(kPortIndicators, kPortIndicatorsOn);
    SetPanelLight(panelLight_);
    controller_->SetDisplay(kCodeDigit, codeText_, -1, kRightAligned, ' ');
  } else {
    if (boardRevision_ < 2)
      for (int led = 1; led <= 4; ++led) controller_->SetLed(led, false, false);
    else
      controller_->WritePort(kPortIndicators, 0);
    controller_->SetDisplay(kLightDigit, "  ", -1, kRightAligned, ' ');
    controller_->SetDisplay(kCodeDigit, "    ", -1, kRightAligned, ' ');
  }
}

void CDeviceKestrixXPNDR::NotifyIdentSwitch(bool pressed) {
  sendPeerNotice(identNoticeText(pressed));
}

void CDeviceKestrixXPNDR::NotifyTcasModeSwitch(int position) {
  sendPeerNotice(tcasModeNoticeText(position));
}

void CDeviceKestrixXPNDR::RegisterSimConnectData(int value) {
  registerValue_ = value;
  const char* op = "RegisterSimConnectData";
  auto addDatum = [&](const char* variable, const char* units, DWORD type, DWORD datum,
                      const char* description) {
    SimConnect_AddToDataDefinition(simConnect_, kDataDefinition, variable, units, type, 0.0f,
                                   datum);
    AddSendRecord(description);
  };
  // Every transponder on the connection shares one definition and one
  // request: the first sets them up, the others read the same messages.
  if (firstToUseDefinition(kDataDefinition)) {
    log(0, op, "Adding misc data\n");
    addDatum("LIGHT PANEL", "BOOL", kTypeInt32, kDatumLightPanel,
             "SimConnect_AddToDataDefinition - DATA_NAME_LIGHT_PANEL");
    addDatum("AVIONICS MASTER SWITCH", "BOOL", kTypeInt32, kDatumAvionicsMaster,
             "SimConnect_AddToDataDefinition - DATA_NAME_AVIONICS_MASTER_SWITCH");
    log(0, op, "Adding XPNDR data\n");
    addDatum("TRANSPONDER AVAILABLE", "BOOL", kTypeInt32, kDatumAvailable,
             "SimConnect_AddToDataDefinition - DATA_NAME_XPNDR_AVAILABLE");
    addDatum("TRANSPONDER CODE:1", "BCO16", kTypeFloat32, kDatumCode,
             "SimConnect_AddToDataDefinition - DATA_NAME_XPNDR_VALUE");

    log(0, op, "Requesting data on sim object\n");
    HRESULT result = SimConnect_RequestDataOnSimObject(
        simConnect_, kDataRequest, kDataDefinition, kUserAircraft, SIMCONNECT_PERIOD_VISUAL_FRAME,
        kChangedAndTagged, 0, 0, 0);
    log(0, op, "Returned: %.08X\n", static_cast<unsigned>(result));
  } else {
    log(0, op, "Transponder data already requested on this connection\n");
  }

  log(0, op, "Adding client events for mode, position, status and ident\n");
  struct Mapping {
    DWORD event;
    const char* name;
    const char* description;
  };
  static constexpr Mapping kMappings[] = {
      {kEventSetCode, "XPNDR_SET", "SimConnect_MapClientEventToSimEvent - EVENT_KEY_XPNDR_SET"},
      {kEventMode, "ZRQ-XPNDR.Mode", "SimConnect_MapClientEventToSimEvent - EVENT_ROTARY_1"},
      {kEventPosition, "ZRQ-XPNDR.Position",
       "SimConnect_MapClientEventToSimEvent - EVENT_ROTARY_2"},
      {kEventStatus, "ZRQ-XPNDR.Status", "SimConnect_MapClientEventToSimEvent - EVENT_ROTARY_3"},
      {kEventIdent, "ZRQ-XPNDR.Ident", "SimConnect_MapClientEventToSimEvent - EVENT_IDENT_KEY"},
  };
  // The connection keeps its mappings until it closes; each is made once.
  bool mappedAny = false;
  for (const auto& mapping : kMappings) {
    if (!mapsClientEvent(mapping.event)) continue;
    mappedAny = true;
    SimConnect_MapClientEventToSimEvent(simConnect_, mapping.event, mapping.name);
    AddSendRecord(mapping.description);
  }
  if (!mappedAny) log(0, op, "Already mapped, skipping\n");
}

void CDeviceKestrixXPNDR::ReleaseSimConnectData() {
  if (!lastToLeaveDefinition(kDataDefinition)) return;
  SimConnect_RequestDataOnSimObject(simConnect_, kDataRequest, kDataDefinition, kUserAircraft,
                                    SIMCONNECT_PERIOD_NEVER, kChangedAndTagged, 0, 0, 0);
  SimConnect_ClearDataDefinition(simConnect_, kDataDefinition);
}

void CDeviceKestrixXPNDR::showCode(float reported) {
  // BCO16 codes are 0 to 0x7777; anything else (or no number at all) would
  // make the integer conversion undefined, so it is left out.
  if (!std::isfinite(reported) || reported < 0.0f || reported > 65535.0f) return;
  int code = static_cast<int>(reported);
  log(0, "SimConnectModuleDispatchProc", "XPNDR is now: %.04X\n", code);
  // A code always has four digits: 0x0400 is "0400".
  char text[16];
  std::snprintf(text, sizeof text, "%04x", code);
  codeText_ = text;
  simulatorCode_ = text;
  log(0, "SimConnectModuleDispatchProc", "EnterData is %s\n", codeText_.c_str());
  SetDisplayOnDevice();
}

void CDeviceKestrixXPNDR::SimConnectModuleDispatchProc(SIMCONNECT_RECV* message, DWORD size) {
  const char* op = "SimConnectModuleDispatchProc";
  if (!message || size < sizeof(SIMCONNECT_RECV)) return;
  if (message->dwID == SIMCONNECT_RECV_ID_EXCEPTION) {
    if (size < sizeof(SIMCONNECT_RECV_EXCEPTION)) return;
    auto* exception = static_cast<SIMCONNECT_RECV_EXCEPTION*>(message);
    log(2, op, "SimConnect Exception received\n");
    log(2, op, "SendID %.3d: %s", static_cast<int>(exception->dwSendID),
        GetSendRecord(exception->dwSendID).c_str());
    return;
  }
  if (message->dwID != SIMCONNECT_RECV_ID_SIMOBJECT_DATA) return;
  // The data starts at dwData, the last field of the record.
  constexpr DWORD kHeaderSize = sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) - sizeof(DWORD);
  if (size < kHeaderSize) return;
  auto* data = static_cast<SIMCONNECT_RECV_SIMOBJECT_DATA*>(message);
  if (data->dwRequestID != kDataRequest) return;
  // Only the entries that the message really holds are read.
  const auto* bytes = reinterpret_cast<const unsigned char*>(message) + kHeaderSize;
  DWORD held = (size - kHeaderSize) / sizeof(TaggedDatum);
  DWORD count = data->dwDefineCount < held ? data->dwDefineCount : held;
  for (DWORD i = 0; i < count; ++i) {
    TaggedDatum datum;
    std::memcpy(&datum, bytes + i * sizeof datum, sizeof datum);
    switch (datum.id) {
      case kDatumLightPanel: SetPanelLight((datum.value & 0xFF) != 0); break;
      case kDatumAvionicsMaster: SetAvionics((datum.value & 0xFF) != 0); break;
      case kDatumCode: {
        float reported;
        std::memcpy(&reported, &datum.value, sizeof reported);
        showCode(reported);
        break;
      }
      case kDatumAvailable:
        log(0, op, "Transponder available %d\n", static_cast<int>(datum.value));
        break;
      default: break;
    }
  }
}
