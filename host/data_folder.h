#pragma once
#include <string>

// The per-user folder that holds the settings file and the diagnostic log:
// <roaming app data>/Quornel Limited/SimConnect Modules. Created with every
// missing parent on each call; a failure to create is not reported (reads of
// settings then return their defaults and writes are lost).
std::string getDataFolder();
