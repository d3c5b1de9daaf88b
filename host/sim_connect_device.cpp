#include "sim_connect_device.h"

#include <controller/vantrix_controller.h>

#include "device_host.h"

namespace {
constexpr DWORD kUserAircraft = SIMCONNECT_OBJECT_ID_USER;
constexpr DWORD kHighestPriority = SIMCONNECT_GROUP_PRIORITY_HIGHEST;
}  // namespace

CSimConnectDevice::CSimConnectDevice(int modelNumber, const DeviceCreateInfo* info)
    : CSimConnectSendIDTracker(info ? info->simConnect : nullptr), modelNumber_(modelNumber) {
  if (!info) return;
  controller_ = info->controller;
  simConnect_ = info->simConnect;
  eventsAlreadyMapped_ = info->eventsAlreadyMapped;
  host_ = info->module;
  registrations_ = info->registrations;
  if (host_) {
    settingsPath_ = host_->settingsPath();
    // A device writes into the session's log, when that is on.
    log_.setFileName(host_->sessionLog().fileName());
    log_.setEnabled(host_->sessionLog().enabled());
  }
  if (controller_) {
    controller_->Lock();
    serialText_ = controller_->GetSerialNumber();
    boardRevision_ = static_cast<int>(controller_->GetControllerInfo().variantNumber);
  }
}

CSimConnectDevice::~CSimConnectDevice() {
  if (controller_) controller_->Unlock();
}

HRESULT CSimConnectDevice::TransmitClientEvent(DWORD eventId, DWORD data) {
  HRESULT result = SimConnect_TransmitClientEvent(simConnect_, kUserAircraft, eventId, data,
                                                  kHighestPriority,
                                                  SIMCONNECT_EVENT_FLAG_GROUPID_IS_PRIORITY);
  if (FAILED(result))
    log_.write(2, "CSimConnectDevice::TransmitClientEvent",
               "Error %.08X sending event %d with data %lu to SimConnect.\n",
               static_cast<unsigned>(result), static_cast<int>(eventId),
               static_cast<unsigned long>(data));
  return result;
}

bool CSimConnectDevice::mapsClientEvent(DWORD eventId) {
  if (!registrations_) return !eventsAlreadyMapped_;
  return registrations_->claimEventMapping(eventId);
}

bool CSimConnectDevice::firstToUseDefinition(DWORD definitionId) {
  // A device that uses the definition already has it in place.
  if (!definitionsInUse_.insert(definitionId).second) return false;
  return !registrations_ || registrations_->joinDataDefinition(definitionId);
}

bool CSimConnectDevice::lastToLeaveDefinition(DWORD definitionId) {
  // Leaving twice must not take another device's share.
  if (definitionsInUse_.erase(definitionId) == 0) return false;
  return !registrations_ || registrations_->leaveDataDefinition(definitionId);
}

void CSimConnectDevice::postToSession(std::function<void()> work) {
  if (!host_) return;
  std::weak_ptr<bool> alive = alive_;
  CVantrixController* board = controller_;
  host_->post([alive, board, work = std::move(work)] {
    if (!alive.lock()) return;
    // What a key changes on the panel goes out as one batch too.
    if (board) board->BeginOutputBatch();
    work();
    if (board) board->EndOutputBatch();
  });
}

int boardModelNumber(CVantrixController* controller) {
  return controller ? controller->GetModel(1, false) : -1;
}
