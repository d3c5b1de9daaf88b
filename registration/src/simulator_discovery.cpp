#include "registration/simulator_discovery.h"

#include <platform/system_facts.h>

#include "registration/simulator_installation.h"
#include "simulator_kind_description.h"

namespace registration {
namespace {

// An unset variable counts as empty, so the folder starts at the root, as
// on Windows it starts at the root of the current drive.
std::string dataFolder(DataFolder which) {
  return platform::environmentValue(which == DataFolder::AppData ? "APPDATA" : "PROGRAMDATA")
      .value_or("");
}

}  // namespace

std::vector<std::unique_ptr<SimulatorLaunchFile>> discoverSimulatorLaunchFiles() {
  std::vector<std::unique_ptr<SimulatorLaunchFile>> files;
  for (SimulatorKind kind : kAllSimulatorKinds) {
    if (!isSimulatorInstalled(kind)) continue;
    const SimulatorKindDescription& description = describe(kind);
    std::string folder = dataFolder(description.dataFolder) + description.launchFolder;
    // A folder that cannot be made shows up later as a failed load or save.
    platform::createFolderChain(folder);
    files.push_back(std::make_unique<SimulatorLaunchFile>(kind, folder));
  }
  return files;
}

}  // namespace registration
