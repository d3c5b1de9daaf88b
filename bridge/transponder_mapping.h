#pragma once
#include <functional>
#include <string>

#include "bridge_config.h"
#include "fsuipc_link.h"
#include "sim_screen.h"

// Performs a transponder function of the current module: its `fsuipc`
// steps in document order, each write its own exchange with FSUIPC, with
// the configured pauses between them. Main thread only; pauses and
// exchanges block the caller while they last.
class TransponderMapping {
 public:
  // Waits out a configured pause of `milliseconds`; false when the session
  // is ending meanwhile (the simulator quit, the connection broke, an
  // operator stopped the program): the function's remaining steps are then
  // left out.
  using PauseWait = std::function<bool(int milliseconds)>;

  // Without a pause wait, a pause ends early only on an operator's stop.
  TransponderMapping(BridgeConfig& config, FsuipcLink& link, SimScreen& screen,
                     PauseWait pause = {});

  void runFunction(const std::string& name);

 private:
  // False when the session is ending and no further step may run.
  bool runStep(const platform::XmlElement& step);
  void reportLinkError();

  BridgeConfig& config_;
  FsuipcLink& link_;
  SimScreen& screen_;
  PauseWait pause_;
};
