#include "sim_connect_module.h"

#include <platform/named_event.h>
#include <platform/profile_file.h>
#include <platform/stop_signal.h>
#include <platform/system_facts.h>
#include <platform/user_notice.h>
#include <registration/file_version_string.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "data_folder.h"
#include "panel_factories.h"
#include "quit_relay.h"

namespace {

constexpr int kRetryDelayMs = 2000;
constexpr int kRetryPollMs = 50;
constexpr int kAbsent = -1;
constexpr char kConnectErrorCaption[] = "SimConnect Module";

void CALLBACK dispatchToSession(SIMCONNECT_RECV* message, DWORD size, void* context) {
  static_cast<CSimConnectModule*>(context)->InternalDispatchProc(message, size);
}

int controllerChangeToSession(uint32_t change, void* session) {
  if (!session) return 1;
  return static_cast<CSimConnectModule*>(session)->onControllerChange(change);
}

}  // namespace

CSimConnectModule::CSimConnectModule(const std::string& clientName) : clientName_(clientName) {
  addPanelFactories(devices_);
  const std::string folder = getDataFolder();
  const std::string sep(1, platform::kPathSeparator);
  settingsPath_ = folder + sep + clientName_ + ".ini";
  log_.setFileName(folder + sep + clientName_ + ".log");

  int debug = platform::getProfileInt("Misc", "Debug", kAbsent, settingsPath_);
  if (debug == kAbsent) {
    platform::writeProfileString("Misc", "Debug", "0", settingsPath_);
  } else if (debug == 1) {
    log_.setEnabled(true);
    log_.writeHeader();
  }
  log_.write(0, "CSimConnectModule::CSimConnectModule", "Version: %s",
             registration::ownFileVersionString().c_str());

  exitOnConnectError_ = platform::getProfileInt("Config", "ExitOnConnectError", kAbsent, settingsPath_);
  if (exitOnConnectError_ == kAbsent) {
    platform::writeProfileString("Config", "ExitOnConnectError", "0", settingsPath_);
    exitOnConnectError_ = 0;
  }
  int showMsg = platform::getProfileInt("Config", "ShowMsgNoControllers", kAbsent, settingsPath_);
  if (showMsg == kAbsent) {
    platform::writeProfileString("Config", "ShowMsgNoControllers", "0", settingsPath_);
    showMsgNoControllers_ = false;
  } else {
    showMsgNoControllers_ = showMsg != 0;
  }

  quitEvent_ = platform::NamedEvent::createOrOpen(kQuitEventName, /*manualReset=*/true,
                                                  /*initiallySignaled=*/false);
}

CSimConnectModule::~CSimConnectModule() {
  changeDetector_.Stop();
  quitEvent_.reset();
  devices_.DeleteAllDevices();
  controllers_.Close();
}

bool CSimConnectModule::quitSignaled() {
  if (platform::stopRequested()) return true;
  return quitEvent_ && quitEvent_->wait(0) == platform::NamedEvent::WaitResult::Signaled;
}

bool CSimConnectModule::waitBeforeRetry() {
  if (quitEvent_) {
    // The operator's stop sets the quit event after it marks the request,
    // so a stop is seen either before the reset or through the event.
    // Without a connection a quit means nothing else: it is reset at
    // every connect anyway.
    if (platform::stopRequested()) return false;
    quitEvent_->reset();
    if (platform::stopRequested()) return false;
    quitEvent_->wait(kRetryDelayMs);
    return !platform::stopRequested();
  }
  for (int waited = 0; waited < kRetryDelayMs; waited += kRetryPollMs) {
    if (platform::stopRequested()) return false;
    platform::sleepMs(kRetryPollMs);
  }
  return !platform::stopRequested();
}

int CSimConnectModule::Run() {
  const char* fn = "CSimConnectModule::Run";
  for (;;) {
    log_.write(0, fn, "Opening SimConnect\n");
    HRESULT opened = E_FAIL;
    for (;;) {
      if (platform::stopRequested()) {
        log_.write(0, fn, "Exiting process\n");
        return 0;
      }
      opened = SimConnect_Open(&simConnect_, clientName_.c_str(), nullptr, 0,
                               work_.wakeEvent().handle(), 0);
      if (SUCCEEDED(opened)) break;
      simConnect_ = nullptr;
      if (exitOnConnectError_ == 1) {
        char text[1024];
        std::snprintf(text, sizeof(text), "Unable to open a SimConnect connection (0x%.08X).\n",
                      static_cast<unsigned>(opened));
        platform::showMessageBox(kConnectErrorCaption, text, platform::MessageIcon::Error);
        log_.write(0, fn, "%s", text);
        log_.write(0, fn, "Exiting process\n");
        return 0;
      }
      if (!waitBeforeRetry()) {
        log_.write(0, fn, "Exiting process\n");
        return 0;
      }
    }

    if (quitEvent_) quitEvent_->reset();
    // A new connection holds none of the devices' mappings yet.
    registrations_.clear();
    log_.write(0, fn, "Creating key maps\n");
    log_.write(0, fn, "Adding SimConnect Events\n");
    SimConnectEvents_Add();
    log_.write(0, fn, "Setting up change monitor\n");
    changeDetector_.Stop();
    changeDetector_.Start(controllerChangeToSession, this);
    log_.write(0, fn, "Starting to process simulator data\n");
    HRESULT result = processSimulatorData();
    log_.write(0, fn, "Finished processing sim data (%.08X)\n", static_cast<unsigned>(result));

    log_.write(0, fn, "Cleaning up the controllers\n");
    devices_.DeleteAllDevices();
    log_.write(0, fn, "Removing SimConnect Events\n");
    SimConnectEvents_Remove();
    controllers_.Close();
    log_.write(0, fn, "Closing change monitor\n");
    changeDetector_.Stop();
    log_.write(0, fn, "Disconnecting from SimConnect\n");
    SimConnect_Close(simConnect_);
    simConnect_ = nullptr;
    // Board changes reported for the old connection have nothing left to act on.
    work_.clear();

    if (result == SIMCONNECT_E_PIPE_BROKEN && !platform::stopRequested()) {
      log_.write(0, fn, "Connection to SimConnect was broken...Going to try to connect again\n");
      continue;
    }
    log_.write(0, fn, "Exiting process\n");
    return 0;
  }
}

HRESULT CSimConnectModule::processSimulatorData() {
  log_.write(0, "CSimConnectModule::processSimulatorData", "Internal processing events...\n");
  HRESULT result = 0;
  // The session sleeps until the simulator sends, a thread posts work or
  // the quit event is set; each of them sets the queue's wake event.
  QuitRelay quitRelay(kQuitEventName, work_.wakeEvent());
  for (;;) {
    work_.waitForWork();
    if (quitSignaled()) break;
    work_.runPending();
    result = SimConnect_CallDispatch(simConnect_, dispatchToSession, this);
    if (result != 0 && quitEvent_) quitEvent_->set();
    if (result != 0 && !quitEvent_) break;
  }
  log_.write(0, "CSimConnectModule::processSimulatorData",
             "Done processing events (quit signaled)\n");
  return result;
}

void CSimConnectModule::InternalDispatchProc(SIMCONNECT_RECV* message, DWORD size) {
  const char* fn = "CSimConnectModule::InternalDispatchProc";
  switch (message->dwID) {
    case SIMCONNECT_RECV_ID_OPEN: {
      auto* open = static_cast<SIMCONNECT_RECV_OPEN*>(message);
      log_.write(0, fn, "Application Name: %.*s", static_cast<int>(sizeof(open->szApplicationName)),
                 open->szApplicationName);
      log_.write(0, fn, "SimConnect Version: %d.%d.%d.%d\n", open->dwSimConnectVersionMajor,
                 open->dwSimConnectVersionMinor, open->dwSimConnectBuildMajor,
                 open->dwSimConnectBuildMinor);
      log_.write(0, fn, "Simulator Version: %d.%d.%d.%d\n", open->dwApplicationVersionMajor,
                 open->dwApplicationVersionMinor, open->dwApplicationBuildMajor,
                 open->dwApplicationBuildMinor);
      break;
    }
    case SIMCONNECT_RECV_ID_QUIT:
      log_.write(0, fn, "SimConnect requested a quit.");
      if (quitEvent_) quitEvent_->set();
      break;
    case SIMCONNECT_RECV_ID_EVENT: {
      auto* event = static_cast<SIMCONNECT_RECV_EVENT*>(message);
      switch (event->uEventID) {
        case kReloadDevicesId:
          log_.write(0, fn, "Reload modules choosen");
          ShowText("Reloading devices......", 5.0f);
          LoadDevices(true);
          break;
        case kAboutId:
          log_.write(0, fn, "About modules choosen");
          Event_About();
          break;
        case kSimStartId:
          log_.write(0, fn, "Sim Start");
          Event_SIMStart();
          break;
        case kSimStopId:
          log_.write(0, fn, "Sim Stop");
          Event_SIMStop();
          break;
        default:
          break;
      }
      break;
    }
    case SIMCONNECT_RECV_ID_SYSTEM_STATE: {
      auto* state = static_cast<SIMCONNECT_RECV_SYSTEM_STATE*>(message);
      if (state->dwRequestID == kSimStateRequestId) {
        log_.write(0, fn, "Sim state: %d", state->dwInteger);
        if (state->dwInteger == 1)
          Event_SIMStart();
        else
          Event_SIMStop();
      }
      break;
    }
    default:
      break;
  }
  devices_.DispatchToDevices(message, size);
}

void CSimConnectModule::Event_SIMStart() {
  log_.write(0, "CSimConnectModule::Event_SIMStart", "Processing");
  simRunning_ = true;
  if (!controllers_.IsOpen()) LoadDevices(false);
}

void CSimConnectModule::Event_SIMStop() {
  log_.write(0, "CSimConnectModule::Event_SIMStop", "Processing");
  simRunning_ = false;
}

void CSimConnectModule::Event_About() {
  std::string text = clientName_ + " driver" + " v" + registration::ownFileVersionString() +
                     "\n\t" + std::to_string(devices_.deviceCount()) + " connected devices.";
  ShowText(text, 8.0f);
  log_.write(0, "CSimConnectModule::Event_About", "About: %s", text.c_str());
}

void CSimConnectModule::SimConnectEvents_Add() {
  log_.write(0, "CSimConnectModule::SimConnectEvents_Add", "Adding menu items\n");
  SimConnect_MenuAddItem(simConnect_, clientName_.c_str(), kMenuId, 0);
  SimConnect_MenuAddSubItem(simConnect_, kMenuId, "Reload devices", kReloadDevicesId, 0);
  SimConnect_MenuAddSubItem(simConnect_, kMenuId, "About...", kAboutId, 0);
  log_.write(0, "CSimConnectModule::SimConnectEvents_Add",
             "Subscribing to system events and states\n");
  SimConnect_SubscribeToSystemEvent(simConnect_, kSimStartId, "SimStart");
  SimConnect_SubscribeToSystemEvent(simConnect_, kSimStopId, "SimStop");
  SimConnect_RequestSystemState(simConnect_, kSimStateRequestId, "Sim");
}

void CSimConnectModule::SimConnectEvents_Remove() {
  SimConnect_UnsubscribeFromSystemEvent(simConnect_, kSimStopId);
  SimConnect_UnsubscribeFromSystemEvent(simConnect_, kSimStartId);
  log_.write(0, "CSimConnectModule::SimConnectEvents_Remove", "Removing menu items\n");
  SimConnect_MenuDeleteSubItem(simConnect_, kMenuId, kReloadDevicesId);
  SimConnect_MenuDeleteSubItem(simConnect_, kMenuId, kAboutId);
  SimConnect_MenuDeleteItem(simConnect_, kMenuId);
}

void CSimConnectModule::ShowText(const std::string& text, float seconds) {
  std::vector<char> bytes(text.begin(), text.end());
  bytes.push_back('\0');
  SimConnect_Text(simConnect_, SIMCONNECT_TEXT_TYPE_PRINT_WHITE, seconds, kTextEventId,
                  static_cast<DWORD>(bytes.size()), bytes.data());
}

void CSimConnectModule::LoadDevices(bool eventsAlreadyMapped, bool forBoardChange) {
  const char* fn = "CSimConnectModule::LoadDevices";
  if (controllers_.IsOpen()) {
    log_.write(0, fn, "Controllers are already open, closing them...");
    devices_.DeleteAllDevices();
    controllers_.Close(/*keepBoardRecords=*/forBoardChange);
  }
  // The boards are looked at after this: every change seen by now is served.
  changesLoaded_ = changeDetector_.changesSeen();
  if (!controllers_.Open()) {
    if (simRunning_) ShowText("Error opening controller interface(s).", 5.0f);
    return;
  }
  // Ordered by serial number text, whatever the model. What the panels
  // show first goes out when all are built, the boards side by side.
  std::vector<CVantrixController*> boards;
  for (const auto& [serial, controller] : controllers_.SelectByModel({"3401", "3402"})) {
    log_.write(0, fn, "Processing device: %s\n", serial.c_str());
    controller->BeginOutputBatch();
    boards.push_back(controller);
    DeviceCreateInfo info;
    info.controller = controller;
    info.simConnect = simConnect_;
    info.module = this;
    info.eventsAlreadyMapped = eventsAlreadyMapped;
    info.registrations = &registrations_;
    devices_.CreateDevice(info);
  }
  devices_.EndOutputBatches(boards);
  if (devices_.deviceCount() == 0 && simRunning_ && showMsgNoControllers_)
    ShowText("No KESTRIX modules are connected.", 5.0f);
}

int CSimConnectModule::onControllerChange(uint32_t change) {
  const uint64_t seen = changeDetector_.changesSeen();
  post([this, change, seen] {
    if (change == ChangeDetector::kBoardArrived)
      ShowText("Loading " + clientName_ + " modules...", 5.0f);
    else if (change == ChangeDetector::kBoardRemoved)
      ShowText("KESTRIX driver detected module removal", 5.0f);
    else
      return;
    // The notices of one plug or pull come one per board, often while an
    // earlier one is still being handled. A reload that looked at the
    // boards after the change was seen has served it already, and the
    // panels it built keep working.
    if (seen <= changesLoaded_) return;
    LoadDevices(false, /*forBoardChange=*/true);
  });
  return 1;
}
