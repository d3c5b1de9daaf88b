#pragma once
#include <platform/registry.h>

#include <cstdint>
#include <span>
#include <string>

#include "registration/simulator_kind.h"

namespace registration {

// Whether the simulator counts as installed: one of its registry string
// values exists. A later Prepar3D version also counts when an earlier one
// (down to the first Prepar3D) does.
bool isSimulatorInstalled(SimulatorKind kind);

// Reads one string value of an open key into buffer, NUL-terminated. 0 on
// success (an empty value gives an empty text); the registry's error code
// when the value cannot be read (ERROR_MORE_DATA when it does not fit); 13,
// ERROR_INVALID_DATA, when it is not REG_SZ or REG_EXPAND_SZ or its bytes
// do not end with a NUL.
uint32_t readRegistryString(const platform::RegistryKey& key, const std::string& valueName,
                            std::span<char> buffer);

}  // namespace registration
