#pragma once
#include <memory>
#include <vector>

#include "registration/simulator_launch_file.h"

namespace registration {

// What discovery found of the installed simulators' launch files.
struct DiscoveredLaunchFiles {
  // In kind order; empty when none is installed or none can be reached.
  std::vector<std::unique_ptr<SimulatorLaunchFile>> found;
  // Installed simulators skipped because the variable naming their folder
  // (APPDATA or PROGRAMDATA) is unset or empty; each was reported to the
  // user under its simulator's caption.
  int skipped = 0;
};

// The launch files of the installed simulators. Creates each one's
// launch-file folder (under $APPDATA or $PROGRAMDATA) on the way, as the
// simulators expect it to exist; nothing is created outside that folder.
DiscoveredLaunchFiles discoverSimulatorLaunchFiles();

}  // namespace registration
