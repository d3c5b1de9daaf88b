#pragma once
#include <SimConnect.h>
#include <platform/wake_event.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "bridge_config.h"
#include "fsuipc_link.h"
#include "sim_screen.h"
#include "transponder_mapping.h"
#include "transponder_names.h"

// The bridge's simulator session: connects (retrying every 2000 ms), adds
// its menu, listens for the transponder's four client events and runs their
// functions, until the simulator quits, the configuration cannot be loaded
// or an operator stops the program. Everything runs on the calling thread,
// which sleeps on `wake` until the simulator sends something or whoever
// stops the program sets it.
class BridgeSession {
 public:
  BridgeSession(FsuipcLink& link, std::string configPath, platform::WakeEvent& wake);
  ~BridgeSession();
  BridgeSession(const BridgeSession&) = delete;
  BridgeSession& operator=(const BridgeSession&) = delete;

  // Fills the value tables, connects and runs the session to its end.
  void run();

 private:
  // The simulator's screen through this session's handle.
  class SessionScreen : public SimScreen {
   public:
    explicit SessionScreen(const HANDLE& handle) : handle_(handle) {}
    void showSimText(const std::string& text, float seconds) override;
    void showMenu(const std::string& block) override;

   private:
    const HANDLE& handle_;
  };

  bool connect();
  // Waits between connection attempts; false when an operator stopped the
  // program meanwhile.
  bool waitBeforeRetry();
  void setUp();
  void tearDown();
  // True once the session is to end: the simulator quit, the connection
  // broke, the configuration failed or an operator stopped the program.
  bool ending() const;
  // A configured pause: waits while watching the connection; what arrives
  // meanwhile is kept for afterwards, in order. False when the session is
  // ending.
  bool waitOutPause(int milliseconds);
  void takeArrivedMessages();
  void handleKeptMessages();
  void handle(const SIMCONNECT_RECV& message, DWORD size);
  void handleEvent(const SIMCONNECT_RECV_EVENT& event);
  static void dispatchProc(SIMCONNECT_RECV* data, DWORD size, void* context);

  platform::WakeEvent& wake_;
  HANDLE handle_ = nullptr;
  bool quit_ = false;
  bool broken_ = false;
  // Messages that arrived during a pause, handled after it.
  std::deque<std::vector<uint8_t>> kept_;
  TransponderNames names_;
  SessionScreen screen_;
  BridgeConfig config_;
  TransponderMapping mapping_;
};
