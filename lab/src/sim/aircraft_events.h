#pragma once
// The simulator events that act on the aircraft's radios and switches:
// COM and NAV tuning and swaps, ADF_COMPLETE_SET, XPNDR_SET, the avionics
// master and the panel lights. Others change nothing here.
#include "lab/simulator.h"

#include <cstdint>
#include <string_view>

namespace lab::sim {

// Applies a simulator event (letter case is free) with its data. False when
// the aircraft model has no such event; an event whose data is no valid
// value (XPNDR_SET 0x1280) changes nothing.
bool applySimulatorEvent(AircraftRadios& aircraft, RadioTuning tuning, std::string_view name,
                         uint32_t data);

}  // namespace lab::sim
