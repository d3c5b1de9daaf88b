#pragma once
// The [aircraft] section of a world file: the user aircraft's radios and
// switches at start, in the values `kestrix-lab sim set` takes, and the
// lab's radio-tuning setting.
//
//   [aircraft]
//   com1-active = 122.800      ; MHz
//   adf1-standby = 1234.5      ; kHz
//   transponder-code = 1200    ; four octal digits
//   avionics-master = on       ; on | off (or 1 | 0)
//   radio-tuning = standby     ; standby | active
#include "lab/world_file.h"

#include <functional>
#include <map>
#include <string>

namespace lab::world {

// Sets a key from its value as written; false with a reason when it does not fit.
using AircraftKeySetter =
    std::function<bool(const std::string& value, WorldSettings& world, std::string& why)>;

// By key name, in lower case.
std::map<std::string, AircraftKeySetter> aircraftKeys();

}  // namespace lab::world
