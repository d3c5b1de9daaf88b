#include "simulator_kind_description.h"

namespace registration {
namespace {

using platform::RegistryHive;
constexpr RegistryHive kUser = RegistryHive::CurrentUser;
constexpr RegistryHive kMachine = RegistryHive::LocalMachine;

// The first Prepar3D's key has no blank in "LockheedMartin"; the later
// versions' keys and every folder do.
SimulatorKindDescription describeNew(SimulatorKind kind) {
  switch (kind) {
    case SimulatorKind::FlightSimulatorX:
      return {{{kUser, "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\10.0", "AppPath"},
               {kMachine, "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\10.0", "SetupPath"}},
              std::nullopt, DataFolder::AppData, "/Microsoft/FSX/", " - FSX"};
    case SimulatorKind::Esp:
      return {{{kUser, "SOFTWARE\\Microsoft\\Microsoft ESP\\1.0", "AppPath"},
               {kMachine, "SOFTWARE\\Microsoft\\Microsoft ESP\\1.0", "SetupPath"}},
              std::nullopt, DataFolder::AppData, "/Microsoft/ESP/", " - ESP"};
    case SimulatorKind::Prepar3D:
      return {{{kUser, "SOFTWARE\\LockheedMartin\\Prepar3D", "AppPath"},
               {kMachine, "SOFTWARE\\LockheedMartin\\Prepar3D", "SetupPath"}},
              std::nullopt, DataFolder::AppData, "/Lockheed Martin/Prepar3D/", " - Prepar3D"};
    case SimulatorKind::Prepar3Dv2:
      return {{{kUser, "SOFTWARE\\Lockheed Martin\\Prepar3D v2", "AppPath"},
               {kMachine, "SOFTWARE\\Lockheed Martin\\Prepar3D v2", "SetupPath"}},
              SimulatorKind::Prepar3D, DataFolder::AppData, "/Lockheed Martin/Prepar3D v2/",
              " - Prepar3D v2"};
    case SimulatorKind::Prepar3Dv3:
      return {{{kUser, "SOFTWARE\\Lockheed Martin\\Prepar3D v3", "AppPath"},
               {kMachine, "SOFTWARE\\Lockheed Martin\\Prepar3D v3", "SetupPath"}},
              SimulatorKind::Prepar3Dv2, DataFolder::ProgramData, "/Lockheed Martin/Prepar3D v3/",
              " - Prepar3D v3"};
    case SimulatorKind::Prepar3Dv4:
      return {{{kUser, "SOFTWARE\\Lockheed Martin\\Prepar3D v4", "AppPath"},
               {kMachine, "SOFTWARE\\Lockheed Martin\\Prepar3D v4", "SetupPath"}},
              SimulatorKind::Prepar3Dv3, DataFolder::ProgramData, "/Lockheed Martin/Prepar3D v4/",
              " - Prepar3D v4"};
    case SimulatorKind::FlightSimulatorXSteamEdition:
      break;
  }
  return {{{kUser, "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator - Steam Edition", "Language"},
           {kMachine, "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator - Steam Edition\\10.0", "AppPath"},
           {kMachine, "SOFTWARE\\DovetailGames\\FSX", "install_path"},
           {kMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Steam App 314160",
            "InstallLocation"}},
          std::nullopt, DataFolder::AppData, "/Microsoft/FSX-SE/", " - FSX-SE"};
}

}  // namespace

const SimulatorKindDescription& describe(SimulatorKind kind) {
  static const std::vector<SimulatorKindDescription> table = [] {
    std::vector<SimulatorKindDescription> all;
    for (SimulatorKind k : kAllSimulatorKinds) all.push_back(describeNew(k));
    return all;
  }();
  return table[static_cast<size_t>(kind) - 1];
}

std::string launchFileCaption(SimulatorKind kind) {
  return std::string("SimConnect Module Update") + describe(kind).captionSuffix;
}

}  // namespace registration
