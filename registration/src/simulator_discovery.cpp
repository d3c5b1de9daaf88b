#include "registration/simulator_discovery.h"

#include <platform/system_facts.h>

#include "registration/simulator_installation.h"
#include "registration_messages.h"
#include "simulator_kind_description.h"

namespace registration {
namespace {

const char* variableOf(DataFolder which) {
  return which == DataFolder::AppData ? "APPDATA" : "PROGRAMDATA";
}

}  // namespace

DiscoveredLaunchFiles discoverSimulatorLaunchFiles() {
  DiscoveredLaunchFiles discovered;
  for (SimulatorKind kind : kAllSimulatorKinds) {
    if (!isSimulatorInstalled(kind)) continue;
    const SimulatorKindDescription& description = describe(kind);
    // Without its variable the folder would start at the root of the file
    // system, where no simulator looks and where nothing of ours belongs.
    const char* variable = variableOf(description.dataFolder);
    const std::string base = platform::environmentValue(variable).value_or("");
    if (base.empty()) {
      showFolderUnknown(launchFileCaption(kind), variable);
      ++discovered.skipped;
      continue;
    }
    std::string folder = base + description.launchFolder;
    // A folder that cannot be made shows up later as a failed load or save.
    platform::createFolderChain(folder);
    discovered.found.push_back(std::make_unique<SimulatorLaunchFile>(kind, folder));
  }
  return discovered;
}

}  // namespace registration
