#pragma once
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
  TransponderMapping(BridgeConfig& config, FsuipcLink& link, SimScreen& screen)
      : config_(config), link_(link), screen_(screen) {}

  void runFunction(const std::string& name);

 private:
  void runStep(const platform::XmlElement& step);
  void reportLinkError();

  BridgeConfig& config_;
  FsuipcLink& link_;
  SimScreen& screen_;
};
