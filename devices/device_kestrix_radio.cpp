#include "device_kestrix_radio.h"

#include <controller/vantrix_controller.h>
#include <platform/profile_file.h>

#include "radio/radio_channel.h"

namespace {

constexpr int kTransferKey = 1;
constexpr int kUnusedKey = 2;
constexpr int kIgnoredDuplicateKey = 13;
constexpr int kDuplicateKeyCutoffRevision = 6;
constexpr int kPanelLightDigit = 14;
constexpr int kNoEvent = -1;

// Keys 9-12 and their duplicates 13-16: fraction down/up, whole down/up.
struct ChannelEvents {
  int channel;
  int transfer;
  int fractionDown, fractionUp, wholeDown, wholeUp;
};

constexpr ChannelEvents kChannelEvents[] = {
    {COM1, 106, 102, 103, 104, 105},     {COM2, 111, 107, 108, 109, 110},
    {ADF, 124, kNoEvent, kNoEvent, kNoEvent, kNoEvent},
    {NAV1, 116, 112, 113, 114, 115},     {NAV2, 122, 118, 119, 120, 121},
    {XPNDR, kNoEvent, kNoEvent, kNoEvent, kNoEvent, kNoEvent},
};

}  // namespace

CDeviceKestrixRadio::CDeviceKestrixRadio(const DeviceCreateInfo* info)
    : CSimConnectDevice(kModelNumber, info) {
  if (!controller_) return;
  BuildEventTable();
  controller_->EnableLedMatrix(true);
  RegisterSimConnectData(0);
  controller_->EnableKeyMatrix(true, &CDeviceKestrixRadio::OnKeyChange, this, false);
  SwitchRadioChannel(loadChannel());
}

CDeviceKestrixRadio::~CDeviceKestrixRadio() {
  if (simConnect_) stopDataRequest();
  if (!controller_) return;
  if (boardRevision_ >= 2)
    controller_->WritePort(1, 0);
  else if (avionicsOn_)
    controller_->SetLed(channelLed(currentChannel_), false, false);
  controller_->EnableKeyMatrix(false);
  controller_->EnableLedMatrix(false);
}

void CDeviceKestrixRadio::BuildEventTable() {
  for (const ChannelEvents& events : kChannelEvents) {
    std::map<int, int>& keys = eventTable_[events.channel];
    keys[kTransferKey] = events.transfer;
    keys[kUnusedKey] = kNoEvent;
    for (int offset : {0, 4}) {
      keys[9 + offset] = events.fractionDown;
      keys[10 + offset] = events.fractionUp;
      keys[11 + offset] = events.wholeDown;
      keys[12 + offset] = events.wholeUp;
    }
  }
}

int32_t CDeviceKestrixRadio::OnKeyChange(const std::string&, int key, int state, void* device) {
  if (!device) return 1;
  // Runs on the board's key thread: the device's state belongs to the
  // session thread, so the key goes there.
  auto* radio = static_cast<CDeviceKestrixRadio*>(device);
  const bool released = state == 0;
  radio->postToSession([radio, key, released] { radio->ProcessInput(key, released); });
  return 1;
}

int CDeviceKestrixRadio::ProcessInput(int key, bool released) {
  if (released) return 1;
  const char* where = "CDeviceKestrixRadio::ProcessInput";
  if (eventTable_.find(currentChannel_) == eventTable_.end()) {
    log_.write(0, where, "No events for this device.\n");
    return 1;
  }
  log_.write(0, where, "ProcessInput (%s) - Processing Button %.02d (%s)\n", serialText_.c_str(),
             key, "Down");
  if (key >= COM1 && key <= XPNDR) {
    SwitchRadioChannel(key);
  } else if (key == kIgnoredDuplicateKey && boardRevision_ >= kDuplicateKeyCutoffRevision) {
    // Newer boards use this key for something else.
  } else if (key == kTransferKey || key == kUnusedKey || (key >= 9 && key <= 16)) {
    Send_ClientEvent(key);
  }
  return 1;
}

void CDeviceKestrixRadio::Send_ClientEvent(int key) {
  if (currentChannel_ == ADF) {
    ProcessADF(key);
    return;
  }
  if (currentChannel_ == XPNDR) return;
  const std::map<int, int>& keys = eventTable_[currentChannel_];
  const auto found = keys.find(key);
  const int eventId = found == keys.end() ? kNoEvent : found->second;
  if (eventId == kNoEvent) {
    log_.write(0, "CDeviceKestrixRadio::Send_ClientEvent", "eventID is none, not sending event\n");
    return;
  }
  TransmitClientEvent(static_cast<DWORD>(eventId), 0);
}

void CDeviceKestrixRadio::SwitchRadioChannel(int channel) {
  const char* where = "CDeviceKestrixRadio::SwitchRadioChannel";
  log_.write(0, where, "Switching radio channels to %d\n", channel);
  if (controller_) {
    log_.write(0, where, "Turning off indicator\n");
    if (currentChannel_ != -1) {
      if (boardRevision_ >= 2)
        controller_->WritePort(1, 0);
      else if (avionicsOn_)
        controller_->SetLed(channelLed(currentChannel_), false, false);
    }
  } else {
    log_.write(0, where, "No pointer to the controller for indicator disable\n");
  }
  currentChannel_ = channel;
  SaveChannel();
  if (controller_) {
    log_.write(0, where, "Turning on indicator\n");
    if (currentChannel_ != -1) {
      if (boardRevision_ >= 2)
        controller_->WritePort(1, channelPortCode(currentChannel_));
      else if (avionicsOn_)
        controller_->SetLed(channelLed(currentChannel_), true, false);
    }
  } else {
    log_.write(0, where, "No pointer to the controller for indicator enable\n");
  }
  log_.write(0, where, "Update displays to new value\n");
  const FrequencyEntry& entry = frequencies_[currentChannel_];
  ShowFrequency(currentChannel_, 1, entry.active);
  ShowFrequency(currentChannel_, 7, entry.standby);
}

void CDeviceKestrixRadio::SetChannelIndicator(bool on) {
  if (boardRevision_ >= 2)
    controller_->WritePort(1, on ? channelPortCode(currentChannel_) : 0);
  else
    controller_->SetLed(channelLed(currentChannel_), on, false);
}

void CDeviceKestrixRadio::SetAvionics(bool on) {
  const char* where = "CDeviceKestrixRadio::SetAvionics";
  avionicsOn_ = on;
  log_.write(0, where, "Avionics switch changed: %d\n", on ? 1 : 0);
  if (currentChannel_ == -1 || !controller_) return;
  if (on) {
    log_.write(0, where, "Enabling displays\n");
    showPanelLight();
    const FrequencyEntry& entry = frequencies_[currentChannel_];
    ShowFrequency(currentChannel_, 1, entry.active);
    ShowFrequency(currentChannel_, 7, entry.standby);
    SetChannelIndicator(true);
  } else {
    log_.write(0, where, "Clearing displays\n");
    controller_->SetDisplay(1, "            ", -1, 0, ' ');
    controller_->SetDisplay(kPanelLightDigit, " ", -1, 1, ' ');
    SetChannelIndicator(false);
  }
}

void CDeviceKestrixRadio::SetPanelLight(bool on) {
  panelLight_ = on;
  log_.write(0, "CDeviceKestrixRadio::SetPanelLight", "Panel light changed: %d\n", on ? 1 : 0);
  if (controller_ && avionicsOn_) showPanelLight();
}

void CDeviceKestrixRadio::showPanelLight() {
  controller_->SetDisplay(kPanelLightDigit, panelLight_ ? "8." : " ", -1, 1, ' ');
}

void CDeviceKestrixRadio::SaveChannel() {
  platform::writeProfileString("Config", serialText_, std::to_string(currentChannel_),
                               settingsPath_);
}

int CDeviceKestrixRadio::loadChannel() {
  // A stored number that is no selector position counts as none: the panel
  // starts on COM1 and the selector takes it from there.
  const int stored = platform::getProfileInt("Config", serialText_, -1, settingsPath_);
  return (stored >= COM1 && stored <= XPNDR) ? stored : COM1;
}
