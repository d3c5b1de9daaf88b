#pragma once

namespace registration {

// The simulators that start SimConnect add-ons listed in a launch file.
// Their order is the order of discovery, loading, editing and saving.
enum class SimulatorKind {
  FlightSimulatorX = 1,
  Esp = 2,
  Prepar3D = 3,
  Prepar3Dv2 = 4,
  Prepar3Dv3 = 5,
  Prepar3Dv4 = 6,
  FlightSimulatorXSteamEdition = 7,
};

constexpr SimulatorKind kAllSimulatorKinds[] = {
    SimulatorKind::FlightSimulatorX, SimulatorKind::Esp,        SimulatorKind::Prepar3D,
    SimulatorKind::Prepar3Dv2,       SimulatorKind::Prepar3Dv3, SimulatorKind::Prepar3Dv4,
    SimulatorKind::FlightSimulatorXSteamEdition,
};

}  // namespace registration
