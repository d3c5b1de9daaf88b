#pragma once
#include <platform/registry.h>

#include <optional>
#include <string>
#include <vector>

#include "registration/simulator_kind.h"

namespace registration {

// A string value whose presence shows that a simulator is installed.
struct InstallationTest {
  platform::RegistryHive hive;
  const char* key;
  const char* value;
};

enum class DataFolder { AppData, ProgramData };  // the variables $APPDATA, $PROGRAMDATA

struct SimulatorKindDescription {
  std::vector<InstallationTest> tests;  // tried in this order
  // A later Prepar3D also counts as installed when the version before it does.
  std::optional<SimulatorKind> earlierVersion;
  DataFolder dataFolder;
  const char* launchFolder;  // below the data folder, with separators at both ends
  const char* captionSuffix;
};

const SimulatorKindDescription& describe(SimulatorKind kind);

// The caption of every message about a simulator's launch file:
// "SimConnect Module Update" and the simulator's suffix (" - FSX").
std::string launchFileCaption(SimulatorKind kind);

}  // namespace registration
