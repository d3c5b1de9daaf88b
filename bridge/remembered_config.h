#pragma once
#include <optional>
#include <string>

// The module the user chose last, kept in the registry value "Config" under
// HKEY_CURRENT_USER\Software\Quornel Limited\Squarix, so that it survives
// restarts of the bridge and of the computer.

// The remembered name; nothing when the key or value is missing, empty,
// not text, or longer than 259 bytes.
std::optional<std::string> readRememberedConfig();
// Stores the name, creating the key when it is missing. False when the
// registry cannot be written.
bool rememberConfig(const std::string& name);
