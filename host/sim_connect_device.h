#pragma once
#include <SimConnect.h>

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "connection_registrations.h"
#include "diagnostic_log.h"
#include "send_id_tracker.h"

class CVantrixController;
class DeviceHost;

// What the session hands a factory for one board.
struct DeviceCreateInfo {
  CVantrixController* controller = nullptr;  // not owned
  HANDLE simConnect = nullptr;
  DeviceHost* module = nullptr;  // the session
  // What the caller believes: true after "Reload devices". A device asks
  // the connection's registrations instead when it has them; the flag only
  // decides for a device built without them.
  bool eventsAlreadyMapped = false;
  // What the current connection already holds; not owned.
  ConnectionRegistrations* registrations = nullptr;
};

// Base of every panel device: one board bound to the connection of the
// moment. A device lives on the session thread; its board's key thread only
// posts to it (postToSession) and work posted for a device that has since
// been deleted is dropped.
class CSimConnectDevice : public CSimConnectSendIDTracker {
 public:
  // Without info: a probe that touches no hardware, reads no settings and
  // registers nothing (the factories read its model number).
  CSimConnectDevice(int modelNumber, const DeviceCreateInfo* info);
  virtual ~CSimConnectDevice();
  CSimConnectDevice(const CSimConnectDevice&) = delete;
  CSimConnectDevice& operator=(const CSimConnectDevice&) = delete;

  virtual void RegisterSimConnectData(int value) = 0;
  virtual void ReleaseSimConnectData() = 0;
  // Every message of the connection, with its size in bytes.
  virtual void SimConnectModuleDispatchProc(SIMCONNECT_RECV* message, DWORD size) = 0;

  // Sends a client event to the user aircraft (group 1 as a priority); logs
  // a failure at level 2 and returns the call's result.
  HRESULT TransmitClientEvent(DWORD eventId, DWORD data);

  int modelNumber() const { return modelNumber_; }
  bool avionicsOn() const { return avionicsOn_; }
  // The board this device drives; null for a probe.
  CVantrixController* controller() const { return controller_; }

 protected:
  // Runs work on the session thread unless this device is gone by then.
  void postToSession(std::function<void()> work);

  // Whether this device maps the client event now: once per connection.
  bool mapsClientEvent(DWORD eventId);
  // Whether this device is the first to use the data definition (it adds
  // the definition and starts the request) and the last to leave it (it
  // stops the request and clears the definition).
  bool firstToUseDefinition(DWORD definitionId);
  bool lastToLeaveDefinition(DWORD definitionId);

  bool avionicsOn_ = false;
  int modelNumber_;
  std::string serialText_;
  int boardRevision_ = 1;
  std::string settingsPath_;
  CVantrixController* controller_ = nullptr;
  HANDLE simConnect_ = nullptr;
  DiagnosticLog log_;
  bool eventsAlreadyMapped_ = false;

 private:
  DeviceHost* host_ = nullptr;
  ConnectionRegistrations* registrations_ = nullptr;
  std::set<DWORD> definitionsInUse_;
  // Expires with the device; posted work checks it on the session thread.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class ISimConnectDeviceFactory {
 public:
  virtual ~ISimConnectDeviceFactory() = default;
  // A new device owned by the caller, or null when the board is not this
  // factory's panel.
  virtual CSimConnectDevice* Create(const DeviceCreateInfo& info) = 0;
};

// Builds a T for a board whose stored model number is T's.
template <class T>
class SimConnectDeviceFactory : public ISimConnectDeviceFactory {
 public:
  CSimConnectDevice* Create(const DeviceCreateInfo& info) override;
};

int boardModelNumber(CVantrixController* controller);  // GetModel(1, false)

template <class T>
CSimConnectDevice* SimConnectDeviceFactory<T>::Create(const DeviceCreateInfo& info) {
  if (!info.controller) return nullptr;
  int wanted = T(nullptr).modelNumber();
  if (boardModelNumber(info.controller) != wanted) return nullptr;
  return new T(&info);
}
