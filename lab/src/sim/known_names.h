#pragma once
// Names the simulator knows: its own events (for MapClientEventToSimEvent),
// system events (for SubscribeToSystemEvent) and system states. Letter case
// does not matter, as in the simulator.
#include <optional>
#include <string>
#include <string_view>

namespace lab::sim {

bool equalsIgnoringCase(std::string_view a, std::string_view b);

// A simulator event such as "COM_STBY_RADIO_SWAP" or "XPNDR_SET".
bool isSimulatorEvent(std::string_view name);

// A custom event: an add-on's own name, which by convention has a period
// ("ZRQ-XPNDR.Mode"). Clients that map it exchange it through the simulator.
bool isCustomEvent(std::string_view name);

// The usual spelling of a system event ("simstart" -> "SimStart"), or
// nothing for a name the simulator does not have.
std::optional<std::string> systemEventName(std::string_view name);

}  // namespace lab::sim
