#pragma once

#include <map>
#include <string>

#include <sim_connect_device.h>

#include "radio/frequency_entry.h"

// The radio panel: a board with model number 0x3401, a six-position channel
// selector, tuning knobs, a transfer key, active and standby displays and a
// panel-light digit. COM and NAV frequencies are the simulator's; the ADF
// standby is kept here and sent on transfer.
//
// Everything runs on the session thread: the board's key thread only posts
// the key to it (OnKeyChange).
class CDeviceKestrixRadio : public CSimConnectDevice {
 public:
  static constexpr int kModelNumber = 0x3401;

  explicit CDeviceKestrixRadio(const DeviceCreateInfo* info);
  ~CDeviceKestrixRadio() override;

  void RegisterSimConnectData(int value) override;
  void ReleaseSimConnectData() override;
  void SimConnectModuleDispatchProc(SIMCONNECT_RECV* message, DWORD size) override;

  static int32_t OnKeyChange(const std::string& serial, int key, int state, void* device);
  int ProcessInput(int key, bool released);

  void SetAvionics(bool on);
  void SetPanelLight(bool on);

 private:
  void BuildEventTable();
  void Send_ClientEvent(int key);
  void SwitchRadioChannel(int channel);
  void SetChannelIndicator(bool on);
  void SaveChannel();
  int loadChannel();

  void ShowFrequency(int channel, int firstDigit, float kHz);
  void updateFrequency(DWORD datumId, float value);
  void ProcessADF(int key);
  void AdjustADFStandby(float step);
  float LoadLastStandby(float fallback);
  void SaveLastStandby(float kHz);
  void showPanelLight();

  void handleObjectData(const SIMCONNECT_RECV* message, DWORD size);
  void stopDataRequest();

  bool panelLight_ = false;
  std::map<int, FrequencyEntry> frequencies_;
  std::map<int, std::map<int, int>> eventTable_;
  int currentChannel_ = -1;
  int registerValue_ = 0;
};
