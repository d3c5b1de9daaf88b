#pragma once
#include <SimConnect.h>
#include <controller/change_detector.h>
#include <controller/vantrix_controllers.h>

#include <memory>
#include <string>

#include "connection_registrations.h"
#include "device_host.h"
#include "device_registry.h"
#include "diagnostic_log.h"
#include "session_work_queue.h"

namespace platform {
class NamedEvent;
}

// The panel driver's session: reads the settings, connects to the simulator
// (retrying every 2000 ms), puts the "Kestrix" menu into it, follows flight
// start and stop, builds a device per recognised board and hands every
// simulator message to the devices. A broken connection is torn down and
// opened again; the simulator's quit or the named quit event ends the run.
//
// Threads: everything here runs on the session thread. Other threads reach
// the session only through post().
class CSimConnectModule : public DeviceHost {
 public:
  explicit CSimConnectModule(const std::string& clientName);
  ~CSimConnectModule() override;
  CSimConnectModule(const CSimConnectModule&) = delete;
  CSimConnectModule& operator=(const CSimConnectModule&) = delete;

  // Connects, runs and reconnects until the session is over; returns 0.
  int Run();

  // Builds the panels of the boards plugged in now, closing the ones built
  // before. A reload for a board change keeps what was read from the
  // memory of the boards that stayed; any other reads every board again.
  void LoadDevices(bool eventsAlreadyMapped, bool forBoardChange = false);
  HRESULT processSimulatorData();
  void InternalDispatchProc(SIMCONNECT_RECV* message, DWORD size);
  void Event_SIMStart();
  void Event_SIMStop();
  void Event_About();
  void SimConnectEvents_Add();
  void SimConnectEvents_Remove();
  void ShowText(const std::string& text, float seconds);
  // Board change reported by the change detector on its own thread: hands
  // the notice and the reload to the session thread. Returns 1.
  int onControllerChange(uint32_t change);

  // DeviceHost
  void post(SessionWorkQueue::Work work) override { work_.post(std::move(work)); }
  const std::string& settingsPath() const override { return settingsPath_; }
  const DiagnosticLog& sessionLog() const override { return log_; }
  size_t deviceCount() const { return devices_.deviceCount(); }

  // The ids this session uses with the simulator.
  static constexpr DWORD kMenuId = 1;
  static constexpr DWORD kReloadDevicesId = 2;
  static constexpr DWORD kAboutId = 3;
  static constexpr DWORD kSimStartId = 5;
  static constexpr DWORD kSimStopId = 6;
  static constexpr DWORD kTextEventId = 7;
  static constexpr DWORD kSimStateRequestId = 1;

 private:
  bool quitSignaled();
  // Waits between connection attempts; false when a stop was requested.
  bool waitBeforeRetry();

  std::string settingsPath_;
  DiagnosticLog log_;
  std::string clientName_;
  int exitOnConnectError_ = 0;
  HANDLE simConnect_ = nullptr;
  bool simRunning_ = false;
  bool showMsgNoControllers_ = false;
  CVantrixControllers controllers_;
  DeviceRegistry devices_;
  // What the current connection holds of the devices' registrations.
  ConnectionRegistrations registrations_;
  std::unique_ptr<platform::NamedEvent> quitEvent_;
  SessionWorkQueue work_;
  ChangeDetector changeDetector_;
  // The board changes the last load of the devices had seen.
  uint64_t changesLoaded_ = 0;
};

// Names shared with other programs that end or detect a running session.
constexpr char kQuitEventName[] = "{392BF99C-47D1-4625-A8C5-3117E545D3B0}";
