#pragma once
#include <SimConnect.h>

class CSimConnectModule;
class CVantrixController;

// What the session hands a factory for one board.
struct DeviceCreateInfo {
  CVantrixController* controller = nullptr;  // not owned
  HANDLE simConnect = nullptr;
  CSimConnectModule* module = nullptr;
  // True after "Reload devices": the connection still holds the devices'
  // client-event mappings, so new devices do not map them again.
  bool eventsAlreadyMapped = false;
};

// Base of every panel device: one board bound to the connection of the
// moment. Devices live on the session thread only.
class CSimConnectDevice {
 public:
  virtual ~CSimConnectDevice() = default;
  virtual void RegisterSimConnectData(int value) = 0;
  virtual void ReleaseSimConnectData() = 0;
  // Every message of the connection, with its size in bytes.
  virtual void SimConnectModuleDispatchProc(SIMCONNECT_RECV* message, DWORD size) = 0;
};

class ISimConnectDeviceFactory {
 public:
  virtual ~ISimConnectDeviceFactory() = default;
  // A new device owned by the caller, or null when the board is not this
  // factory's panel.
  virtual CSimConnectDevice* Create(const DeviceCreateInfo& info) = 0;
};
