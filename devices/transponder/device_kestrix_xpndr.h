#pragma once
#include <sim_connect_device.h>

#include <string>

// The transponder panel: code entry on eight digit keys, mode, position and
// status selectors and an IDENT key, a four-digit code display (digits 2-5)
// and the panel light (digits 6-7). Its state lives on the session thread;
// the board's key thread only posts key changes to it.
class CDeviceKestrixXPNDR : public CSimConnectDevice {
 public:
  static constexpr int kModelNumber = 0x3402;

  explicit CDeviceKestrixXPNDR(const DeviceCreateInfo* info);
  ~CDeviceKestrixXPNDR() override;

  void RegisterSimConnectData(int value) override;
  void ReleaseSimConnectData() override;
  void SimConnectModuleDispatchProc(SIMCONNECT_RECV* message, DWORD size) override;

  // The board's key callback: posts the key to the session thread.
  static int32_t OnKeyChange(const std::string& serial, int key, int state, void* device);
  int ProcessInput(int key, bool released);

  void SetDisplayOnDevice();
  void SetDisplayOnFSX();
  void SetPanelLight(bool on);
  void SetAvionics(bool on);
  void NotifyIdentSwitch(bool pressed);
  void NotifyTcasModeSwitch(int position);

  const std::string& codeText() const { return codeText_; }
  int entryPosition() const { return entryPosition_; }

 private:
  void enterDigit(char digit);
  void showCode(float reported);
  void sendCustomEvent(DWORD eventId, DWORD data, const char* name);
  void log(int level, const char* operation, const char* format, ...);

  bool panelLight_ = false;
  int entryPosition_ = -1;
  std::string codeText_ = "----";
  std::string simulatorCode_;  // the code the simulator last reported, four digits
  int registerValue_ = 0;
};
