#pragma once
#include <memory>
#include <vector>

#include "registration/simulator_launch_file.h"

namespace registration {

// The launch files of the installed simulators, in kind order; empty when
// none is installed. Creates each one's launch-file folder (under $APPDATA
// or $PROGRAMDATA) on the way, as the simulators expect it to exist.
std::vector<std::unique_ptr<SimulatorLaunchFile>> discoverSimulatorLaunchFiles();

}  // namespace registration
